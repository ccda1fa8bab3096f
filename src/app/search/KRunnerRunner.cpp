#include "app/search/KRunnerRunner.h"

#include "app/search/DesktopSearchResults.h"
#include "core/search/SearchHitText.h"
#include "ui/search/ScreenshotOpener.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QUrl>

namespace {

// KRunner asks on every key press; a word this short matches nearly every screenshot.
constexpr int kShortestQuery = 3;

}  // namespace

QDBusArgument& operator<<(QDBusArgument& argument, const KRunnerMatch& match)
{
    argument.beginStructure();
    argument << match.id << match.text << match.iconName << match.type << match.relevance << match.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, KRunnerMatch& match)
{
    argument.beginStructure();
    argument >> match.id >> match.text >> match.iconName >> match.type >> match.relevance >> match.properties;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const KRunnerAction& action)
{
    argument.beginStructure();
    argument << action.id << action.text << action.iconName;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, KRunnerAction& action)
{
    argument.beginStructure();
    argument >> action.id >> action.text >> action.iconName;
    argument.endStructure();
    return argument;
}

KRunnerRunner::KRunnerRunner(DesktopSearchResults& results, ScreenshotOpener& opener, QObject* parent)
    : QObject(parent)
    , m_results(results)
    , m_opener(opener)
{
    qDBusRegisterMetaType<KRunnerMatch>();
    qDBusRegisterMetaType<KRunnerMatches>();
    qDBusRegisterMetaType<KRunnerAction>();
    qDBusRegisterMetaType<KRunnerActions>();
}

KRunnerActions KRunnerRunner::Actions()
{
    return {
        {QLatin1String(kRevealAction), QStringLiteral("Show in File Manager"), QStringLiteral("system-file-manager")}};
}

KRunnerMatches KRunnerRunner::Match(const QString& query)
{
    Q_EMIT used();
    if (query.trimmed().size() < kShortestQuery)
        return {};
    setDelayedReply(true);
    const QDBusMessage call = message();
    QDBusConnection bus = connection();
    m_results.find(query).then(this, [call, bus](const QList<SearchHit>& hits) mutable {
        KRunnerMatches matches;
        for (qsizetype i = 0; i < hits.size(); ++i) {
            const SearchHit& hit = hits.at(i);
            // Newest first: relevance falls a little with each older screenshot.
            matches.append(
                KRunnerMatch{hit.path,
                             SearchHitText::captureTime(hit.capturedAt),
                             QStringLiteral("image-x-generic"),
                             kPossibleMatch,
                             qMax(0.1, 0.9 - 0.01 * double(i)),
                             {{QStringLiteral("subtext"), SearchHitText::plainSnippet(hit.snippet)},
                              {QStringLiteral("category"), QStringLiteral("Screenshots")},
                              {QStringLiteral("urls"), QStringList{QUrl::fromLocalFile(hit.path).toString()}}}});
        }
        bus.send(call.createReply(QVariant::fromValue(matches)));
    });
    return {};
}

void KRunnerRunner::Run(const QString& matchId, const QString& actionId)
{
    Q_EMIT used();
    if (!m_results.isScreenshot(matchId))
        return;
    if (actionId == QLatin1String(kRevealAction))
        m_opener.showInFileManager(matchId);
    else
        m_opener.open(matchId);
}

void KRunnerRunner::Teardown()
{
}
