#include "cli/SearchCommand.h"

#include "app/AppRoot.h"
#include "app/RemoteControl.h"
#include "cli/Console.h"

#include "core/search/ScreenshotSearch.h"
#include "core/settings/Preferences.h"

#include <QDBusConnection>
#include <QDir>

#include <limits>

namespace {

QString withoutMarks(QString snippet)
{
    return snippet.remove(SearchHit::kMarkStart).remove(SearchHit::kMarkEnd);
}

// Without words: the search window of the session's Momentra.
int openWindow()
{
    if (!QDBusConnection::sessionBus().isConnected())
        return Console::failure(QStringLiteral("no D-Bus session bus, so the search window cannot be opened; "
                                               "give the words to look for: momentra search WORDS…"));
    if (!RemoteControl::askToShowSearch(QDBusConnection::sessionBus(), {}))
        return Console::failure(QStringLiteral("Momentra isn't running (start it with: momentra)"));
    return 0;
}

int run(AppRoot& root, const QStringList& arguments)
{
    if (arguments.isEmpty())
        return openWindow();
    SearchQuery query;
    query.text = arguments.join(QLatin1Char(' '));
    query.limit = std::numeric_limits<int>::max();
    const std::optional<QList<SearchHit>> hits = root.screenshotSearch().search(query);
    if (!hits)
        return Console::usageError(QStringLiteral("give the words to look for; usage: momentra search WORDS…"));
    for (const SearchHit& hit : *hits) {
        Console::out(hit.path);
        Console::out(QStringLiteral("    ") + withoutMarks(hit.snippet));
    }
    if (hits->isEmpty()) {
        Console::err(QStringLiteral("No screenshot in %1 contains %2.")
                         .arg(QDir::toNativeSeparators(root.preferences().folderPath()), query.text));
        return 1;
    }
    return 0;
}

}  // namespace

Command SearchCommand::command()
{
    return {QStringLiteral("search"), QStringLiteral("search [WORDS…]"),
            QStringLiteral("list the screenshots whose text contains all the words, newest first; without words, "
                           "open the search window"),
            &run};
}
