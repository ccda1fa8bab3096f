#include "app/search/KRunnerRunner.h"

#include "app/search/DesktopSearchResults.h"
#include "core/WhenFinished.h"
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

KRunnerImage KRunnerImage::fromImage(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    return {rgb.width(),
            rgb.height(),
            int(rgb.bytesPerLine()),
            false,
            8,
            3,
            QByteArray(reinterpret_cast<const char*>(rgb.constBits()), rgb.sizeInBytes())};
}

QDBusArgument& operator<<(QDBusArgument& argument, const KRunnerImage& image)
{
    argument.beginStructure();
    argument << image.width << image.height << image.rowStride << image.hasAlpha << image.bitsPerSample
             << image.channels << image.data;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, KRunnerImage& image)
{
    argument.beginStructure();
    argument >> image.width >> image.height >> image.rowStride >> image.hasAlpha >> image.bitsPerSample
        >> image.channels >> image.data;
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
    qDBusRegisterMetaType<KRunnerImage>();
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
    whenFinished(
        m_results.findPictured(query), this, [call, bus](const QList<DesktopSearchResults::Pictured>& hits) mutable {
            KRunnerMatches matches;
            for (qsizetype i = 0; i < hits.size(); ++i) {
                const SearchHit& hit = hits.at(i).hit;
                QVariantMap properties{{QStringLiteral("subtext"), SearchHitText::plainSnippet(hit.snippet)},
                                       {QStringLiteral("category"), QStringLiteral("Screenshots")},
                                       {QStringLiteral("urls"), QStringList{QUrl::fromLocalFile(hit.path).toString()}}};
                // KRunner shows the picture instead of the icon named.
                if (const QImage& thumbnail = hits.at(i).thumbnail; !thumbnail.isNull())
                    properties.insert(QStringLiteral("icon-data"),
                                      QVariant::fromValue(KRunnerImage::fromImage(thumbnail)));
                // Newest first: relevance falls a little with each older screenshot.
                matches.append(KRunnerMatch{hit.path, SearchHitText::captureTime(hit.capturedAt),
                                            QStringLiteral("image-x-generic"), kPossibleMatch,
                                            qMax(0.1, 0.9 - 0.01 * double(i)), properties});
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
