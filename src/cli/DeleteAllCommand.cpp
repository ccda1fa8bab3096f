#include "cli/DeleteAllCommand.h"

#include "app/AppRoot.h"
#include "cli/Console.h"
#include "cli/SweepReport.h"
#include "core/search/SearchIndex.h"

#include "core/StopFlag.h"
#include "core/cleanup/CleanupSentence.h"
#include "core/cleanup/CleanupSweeper.h"
#include "core/settings/Preferences.h"

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
    Console::out(
        QStringLiteral("Every screenshot Momentra saved in “%1” will be %2 Exported videos and your other files stay.")
            .arg(QDir(folder).dirName(),
                 permanently ? QStringLiteral("deleted permanently.") : QStringLiteral("moved to the Trash.")));
    const QByteArray prompt = (permanently ? QByteArray("Delete? [y/N] ") : QByteArray("Move to Trash? [y/N] "));
    std::fwrite(prompt.constData(), 1, size_t(prompt.size()), stdout);
    std::fflush(stdout);
    QTextStream input(stdin);
    const QString answer = input.readLine().trimmed().toLower();
    return answer == QLatin1String("y") || answer == QLatin1String("yes");
}

// Counts what would go and asks; true when the user agreed. `status` is the
// exit status when there is nothing to do or the user declined.
bool askFirst(CleanupSweeper& counter, const QString& folder, bool permanently, int* status)
{
    counter.setDryRun(true);
    const std::optional<SweepResult> count = counter.sweep(folder, 0, permanently, StopFlag());
    if (!count) {
        *status = Console::failure(CleanupSentence::couldNotOpenFolder());
        return false;
    }
    if (count->trashed == 0) {
        Console::out(kNothing);
        *status = 0;
        return false;
    }
    if (!confirm(count->trashed, folder, permanently)) {
        Console::out(QStringLiteral("Nothing was deleted."));
        *status = 1;
        return false;
    }
    return true;
}

int run(AppRoot& root, const QStringList& arguments)
{
    bool confirmed = false;
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--yes") || argument == QLatin1String("-y"))
            confirmed = true;
        else
            return Console::usageError(
                QStringLiteral("unknown argument \"%1\"; usage: momentra delete-all [--yes]").arg(argument));
    }
    Preferences& preferences = root.preferences();
    const QString folder = preferences.folderPath();
    const bool permanently = preferences.deletesPermanently();

    if (!confirmed) {
        if (::isatty(STDIN_FILENO) != 1)
            return Console::usageError(
                QStringLiteral("not asking without a terminal; add --yes to delete all screenshots"));
        CleanupSweeper counter(root.trash());
        int status = 0;
        if (!askFirst(counter, folder, permanently, &status))
            return status;
    }

    const CleanupSweeper sweeper(root.trash());
    const std::optional<SweepResult> result = sweeper.sweep(folder, 0, permanently, StopFlag());
    root.searchIndex().dropMissing(folder);
    return SweepReport::finish(QList{SweepLog::deleteAllEntry(folder, permanently, result)}
                                   + SweepLog::causeEntries(result, permanently),
                               result, permanently, kNothing, root.log());
}

}  // namespace

Command DeleteAllCommand::command()
{
    return {QStringLiteral("delete-all"), QStringLiteral("delete-all [--yes]"),
            QStringLiteral("move every screenshot Momentra saved to the Trash (or delete it, as set); asks first"),
            &run};
}
