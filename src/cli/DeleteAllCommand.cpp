#include "cli/CommandRegistry.h"
#include "cli/Console.h"

#include "core/cleanup/CleanupSentence.h"
#include "core/cleanup/CleanupSweeper.h"
#include "core/cleanup/SweepLog.h"
#include "core/StopFlag.h"
#include "core/log/EventLog.h"
#include "core/settings/Preferences.h"
#include "platform/linux/FreedesktopTrash.h"

#include <QDir>
#include <QLocale>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

namespace {

const QString kNothing = QStringLiteral("No screenshots to delete.");

bool confirm(int count, const QString& folder, bool permanently)
{
    const QString title = count == 1 ? QStringLiteral("Delete 1 screenshot?")
                                     : QStringLiteral("Delete all %1 screenshots?").arg(QLocale().toString(count));
    Console::out(title);
    Console::out(QStringLiteral("Every screenshot Momentra saved in “%1” will be %2 Exported videos and your other files stay.")
                     .arg(QDir(folder).dirName(),
                          permanently ? QStringLiteral("deleted permanently.") : QStringLiteral("moved to the Trash.")));
    const QByteArray prompt = (permanently ? QByteArray("Delete? [y/N] ") : QByteArray("Move to Trash? [y/N] "));
    std::fwrite(prompt.constData(), 1, size_t(prompt.size()), stdout);
    std::fflush(stdout);
    QTextStream input(stdin);
    const QString answer = input.readLine().trimmed().toLower();
    return answer == QLatin1String("y") || answer == QLatin1String("yes");
}

int run(const QStringList& arguments)
{
    bool confirmed = false;
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--yes") || argument == QLatin1String("-y"))
            confirmed = true;
        else
            return Console::usageError(QStringLiteral("unknown argument \"%1\"; usage: momentra delete-all [--yes]").arg(argument));
    }
    Preferences& preferences = Preferences::shared();
    const QString folder = preferences.folderPath();
    const bool permanently = preferences.deletesPermanently();
    auto trash = std::make_shared<FreedesktopTrash>();
    const StopFlag stop;

    if (!confirmed) {
        if (::isatty(STDIN_FILENO) != 1)
            return Console::usageError(QStringLiteral("not asking without a terminal; add --yes to delete all screenshots"));
        CleanupSweeper counter(trash);
        counter.setDryRun(true);
        const std::optional<SweepResult> count = counter.sweep(folder, 0, permanently, stop);
        if (!count)
            return Console::failure(CleanupSentence::couldNotOpenFolder());
        if (count->trashed == 0) {
            Console::out(kNothing);
            return 0;
        }
        if (!confirm(count->trashed, folder, permanently)) {
            Console::out(QStringLiteral("Nothing was deleted."));
            return 1;
        }
    }

    const CleanupSweeper sweeper(trash);
    const std::optional<SweepResult> result = sweeper.sweep(folder, 0, permanently, stop);
    SweepLog::write({SweepLog::deleteAllEntry(folder, permanently, result)}, EventLog::shared());
    EventLog::shared().flush();
    const QString sentence = CleanupSentence::outcome(result, permanently, kNothing);
    if (!result || result->failed > 0)
        return Console::failure(sentence);
    Console::out(sentence);
    return 0;
}

const bool registered = CommandRegistry::instance().add(
    {QStringLiteral("delete-all"), QStringLiteral("delete-all [--yes]"),
     QStringLiteral("move every screenshot Momentra saved to the Trash (or delete it, as set); asks first"), run});

}  // namespace
