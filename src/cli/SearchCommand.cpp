#include "cli/SearchCommand.h"

#include "app/AppRoot.h"
#include "app/RemoteControl.h"
#include "cli/Console.h"
#include "core/library/LibraryLayout.h"
#include "core/search/IndexFirstSearch.h"
#include "core/search/SearchHitText.h"
#include "core/settings/Preferences.h"

#include <QDBusConnection>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>

#include <variant>

namespace {

const QString kUsage = QStringLiteral("usage: momentra search WORDS… [--since TIME] [--until TIME] [--day DAY] "
                                      "[--display N] [--limit N] [--json]");

struct Request
{
    SearchQuery query;
    bool json = false;
};

// The start of a day: "today", "yesterday" or "YYYY-MM-DD".
std::optional<QDateTime> parseDay(const QString& text)
{
    const std::optional<QString> day = LibraryLayout::namedDay(text, QDateTime::currentDateTime());
    return day ? LibraryLayout::dayDate(*day) : std::nullopt;
}

QDateTime lastSecondOf(const QDateTime& day)
{
    return day.addDays(1).addSecs(-1);
}

// A day (its start, or its last second for an end) or "YYYY-MM-DD HH:MM[:SS]"
// (also with a T between date and time).
std::optional<QDateTime> parseTime(const QString& text, bool isEnd)
{
    if (const std::optional<QDateTime> day = parseDay(text))
        return isEnd ? lastSecondOf(*day) : *day;
    QString normal = text;
    normal.replace(QLatin1Char('T'), QLatin1Char(' '));
    for (const QString& format : {QStringLiteral("yyyy-MM-dd HH:mm:ss"), QStringLiteral("yyyy-MM-dd HH:mm")}) {
        const QDateTime time = QDateTime::fromString(normal, format);
        if (time.isValid())
            return time;
    }
    return std::nullopt;
}

std::variant<Request, QString> parse(const QStringList& arguments)
{
    Request request;
    QStringList words;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--json")) {
            request.json = true;
            continue;
        }
        if (!argument.startsWith(QLatin1String("--"))) {
            // One argument of several words (quoted in the shell) is a phrase.
            const bool isPhrase = argument.trimmed().contains(QLatin1Char(' ')) && !argument.contains(QLatin1Char('"'));
            words.append(isPhrase ? QLatin1Char('"') + argument + QLatin1Char('"') : argument);
            continue;
        }
        const QString name = argument.section(QLatin1Char('='), 0, 0);
        const QString value = argument.contains(QLatin1Char('=')) ? argument.section(QLatin1Char('='), 1)
                              : i + 1 < arguments.size()          ? arguments[++i]
                                                                  : QString();
        bool isNumber = false;
        const int number = value.toInt(&isNumber);
        if (name == QLatin1String("--since") || name == QLatin1String("--until")) {
            const bool isUntil = name == QLatin1String("--until");
            const std::optional<QDateTime> time = parseTime(value, isUntil);
            if (!time)
                return QStringLiteral("%1 needs a day (YYYY-MM-DD, today, yesterday) or a time (YYYY-MM-DD HH:MM), "
                                      "not \"%2\"")
                    .arg(name, value);
            (isUntil ? request.query.until : request.query.since) = time;
        } else if (name == QLatin1String("--day")) {
            const std::optional<QDateTime> day = parseDay(value);
            if (!day)
                return QStringLiteral("--day needs a day (YYYY-MM-DD, today, yesterday), not \"%1\"").arg(value);
            request.query.since = *day;
            request.query.until = lastSecondOf(*day);
        } else if (name == QLatin1String("--display")) {
            if (!isNumber || number < 1)
                return QStringLiteral("--display needs a display number, 1 or more");
            request.query.displayOrdinal = number;
        } else if (name == QLatin1String("--limit")) {
            if (!isNumber || number < 1)
                return QStringLiteral("--limit needs a whole number, 1 or more");
            request.query.limit = number;
        } else {
            return QStringLiteral("unknown option \"%1\"").arg(argument);
        }
    }
    request.query.text = words.join(QLatin1Char(' '));
    return request;
}

// The snippet's marks as bold on a terminal, otherwise as [brackets].
QString marked(const QString& snippet, bool terminal)
{
    return terminal ? SearchHitText::markedSnippet(snippet, QStringLiteral("\033[1m"), QStringLiteral("\033[0m"))
                    : SearchHitText::markedSnippet(snippet, QStringLiteral("["), QStringLiteral("]"));
}

void print(const SearchHit& hit, bool json)
{
    if (json) {
        const QJsonObject object{{QStringLiteral("time"), hit.capturedAt.toString(Qt::ISODate)},
                                 {QStringLiteral("path"), hit.path},
                                 {QStringLiteral("display"), hit.displayOrdinal},
                                 {QStringLiteral("snippet"), marked(hit.snippet, false)}};
        Console::out(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
        return;
    }
    Console::out(hit.capturedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral("  ")
                 + QDir::toNativeSeparators(hit.path));
    Console::out(QStringLiteral("    ") + marked(hit.snippet, Console::isTerminal()));
}

// Without words: the search window of the session's Momentra.
int openSearchWindow(AppRoot&)
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
    const auto parsed = parse(arguments);
    if (const auto* message = std::get_if<QString>(&parsed))
        return Console::usageError(*message + QStringLiteral("; ") + kUsage);
    const Request& request = std::get<Request>(parsed);
    if (request.query.text.trimmed().isEmpty())
        return openSearchWindow(root);

    const QString folder = root.preferences().folderPath();
    IndexFirstSearch& search = root.screenshotSearch();
    if (!search.indexAnswers())
        Console::err(QStringLiteral("The search index isn't built yet (Momentra builds it while it runs); reading "
                                    "the text of every screenshot instead, which is slower."));
    std::optional<QList<SearchHit>> hits = search.search(request.query);
    if (!hits)
        return Console::failure(QStringLiteral("the screenshots' text could not be searched"));
    for (const SearchHit& hit : *hits)
        print(hit, request.json);
    if (hits->isEmpty()) {
        Console::err(QStringLiteral("No screenshot in %1 contains %2.")
                         .arg(QDir::toNativeSeparators(folder), request.query.text));
        return 1;
    }
    return 0;
}

}  // namespace

Command SearchCommand::command()
{
    return {
        QStringLiteral("search"),
        QStringLiteral("search WORDS… [--since TIME] [--until TIME] [--day DAY] [--display N] [--limit N] [--json]"),
        QStringLiteral("list the screenshots whose text holds all the words (the last, from three letters on, as "
                       "a beginning; \"quoted words\" as a phrase), newest first"),
        &run};
}
