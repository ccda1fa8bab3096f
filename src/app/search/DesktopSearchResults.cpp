#include "app/search/DesktopSearchResults.h"

#include "core/library/LibraryLayout.h"

#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

namespace {

constexpr int kKeptHits = 1000;

}  // namespace

DesktopSearchResults::DesktopSearchResults(ScreenshotSearch& search, ThumbnailCache& thumbnails)
    : m_search(search)
    , m_thumbnails(thumbnails)
    , m_making(thumbnails, ThumbnailCache::Size::Normal)
{
    m_pool.setMaxThreadCount(2);
}

QList<SearchHit> DesktopSearchResults::search(const QString& text)
{
    SearchQuery query;
    query.text = text;
    query.limit = kResultLimit;
    const QList<SearchHit> hits = m_search.search(query).value_or(QList<SearchHit>());
    QMutexLocker lock(&m_mutex);
    if (m_hits.size() > kKeptHits)
        m_hits.clear();
    for (const SearchHit& hit : hits)
        m_hits.insert(hit.path, hit);
    return hits;
}

QFuture<QList<SearchHit>> DesktopSearchResults::find(const QString& text)
{
    return QtConcurrent::run(&m_pool, [this, text] { return search(text); });
}

QFuture<QList<DesktopSearchResults::Pictured>> DesktopSearchResults::findPictured(const QString& text)
{
    return QtConcurrent::run(&m_pool, [this, text] {
        QList<Pictured> pictured;
        QStringList missing;
        for (const SearchHit& hit : search(text)) {
            std::optional<QImage> thumbnail = m_thumbnails.cached(hit.path, ThumbnailCache::Size::Normal);
            if (!thumbnail)
                missing.append(hit.path);
            pictured.append({hit, thumbnail.value_or(QImage())});
        }
        // Replaces the making asked for by the question before, whose results are no longer shown.
        m_making.request(missing);
        return pictured;
    });
}

std::optional<SearchHit> DesktopSearchResults::hit(const QString& path) const
{
    QMutexLocker lock(&m_mutex);
    const auto found = m_hits.constFind(path);
    return found == m_hits.constEnd() ? std::nullopt : std::optional<SearchHit>(*found);
}

bool DesktopSearchResults::isScreenshot(const QString& path) const
{
    if (hit(path))
        return true;
    const QFileInfo file(path);
    return file.isAbsolute() && LibraryLayout::isOwnScreenshotName(file.fileName()) && file.isFile();
}

QFuture<QList<DesktopSearchResults::Described>> DesktopSearchResults::describe(const QStringList& paths)
{
    return QtConcurrent::run(&m_pool, [this, paths] {
        QList<Described> described;
        for (const QString& path : paths) {
            const std::optional<SearchHit> found = hit(path);
            if (!found)
                continue;
            const Result<QString> thumbnail = m_thumbnails.thumbnailFile(path, ThumbnailCache::Size::Normal);
            described.append({*found, thumbnail ? thumbnail.value() : QString()});
        }
        return described;
    });
}
