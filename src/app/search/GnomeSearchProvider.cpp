#include "app/search/GnomeSearchProvider.h"

#include "app/search/DesktopSearchResults.h"
#include "core/WhenFinished.h"
#include "core/search/SearchHitText.h"
#include "ui/search/ScreenshotOpener.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>

namespace {

QString joined(const QStringList& terms)
{
    return terms.join(QLatin1Char(' ')).simplified();
}

}  // namespace

GnomeSearchProvider::GnomeSearchProvider(DesktopSearchResults& results, ScreenshotOpener& opener,
                                         std::function<void(const QString&)> launchSearch, QObject* parent)
    : QObject(parent)
    , m_results(results)
    , m_opener(opener)
    , m_launchSearch(std::move(launchSearch))
{
    qDBusRegisterMetaType<QList<QVariantMap>>();
}

QStringList GnomeSearchProvider::answerLater(const QStringList& terms)
{
    Q_EMIT used();
    setDelayedReply(true);
    const QDBusMessage call = message();
    QDBusConnection bus = connection();
    whenFinished(m_results.find(joined(terms)), this, [call, bus](const QList<SearchHit>& hits) mutable {
        QStringList ids;
        for (const SearchHit& hit : hits)
            ids.append(hit.path);
        bus.send(call.createReply(QVariant::fromValue(ids)));
    });
    return {};
}

QStringList GnomeSearchProvider::GetInitialResultSet(const QStringList& terms)
{
    return answerLater(terms);
}

// A fresh search rather than a filter of the previous results: the index
// answers at once, and a longer word may bring screenshots the limit left out.
QStringList GnomeSearchProvider::GetSubsearchResultSet(const QStringList&, const QStringList& terms)
{
    return answerLater(terms);
}

QList<QVariantMap> GnomeSearchProvider::GetResultMetas(const QStringList& identifiers)
{
    Q_EMIT used();
    setDelayedReply(true);
    const QDBusMessage call = message();
    QDBusConnection bus = connection();
    whenFinished(m_results.describe(identifiers), this,
                 [call, bus](const QList<DesktopSearchResults::Described>& found) mutable {
                     QList<QVariantMap> metas;
                     for (const DesktopSearchResults::Described& entry : found) {
                         metas.append(QVariantMap{
                             {QStringLiteral("id"), entry.hit.path},
                             {QStringLiteral("name"), SearchHitText::captureTime(entry.hit.capturedAt)},
                             {QStringLiteral("description"), SearchHitText::plainSnippet(entry.hit.snippet)},
                             // The string form of a GIcon: a file's path is a file icon, a bare name a themed one.
                             {QStringLiteral("gicon"),
                              entry.thumbnail.isEmpty() ? QStringLiteral("image-x-generic") : entry.thumbnail},
                         });
                     }
                     bus.send(call.createReply(QVariant::fromValue(metas)));
                 });
    return {};
}

void GnomeSearchProvider::ActivateResult(const QString& identifier, const QStringList&, uint)
{
    Q_EMIT used();
    if (m_results.isScreenshot(identifier))
        m_opener.open(identifier);
}

void GnomeSearchProvider::LaunchSearch(const QStringList& terms, uint)
{
    Q_EMIT used();
    m_launchSearch(joined(terms));
}
