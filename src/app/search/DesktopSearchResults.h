#pragma once

#include "core/search/ScreenshotSearch.h"
#include "ui/search/ThumbnailCache.h"
#include "ui/search/ThumbnailLoader.h"

#include <QFuture>
#include <QHash>
#include <QMutex>
#include <QStringList>
#include <QThreadPool>

// What the desktop's search (GNOME Shell, KRunner) asks of Momentra: the
// screenshots that match, newest first, named by their paths; the hits found
// are kept so that their details can be asked for by path afterwards. The
// search and the thumbnails (of the normal size, the desktop shows them
// small) run on worker threads.
class DesktopSearchResults
{
public:
    static constexpr int kResultLimit = 20;

    DesktopSearchResults(ScreenshotSearch& search, ThumbnailCache& thumbnails);

    // The paths of the hits; none when the question cannot be answered.
    QFuture<QList<SearchHit>> find(const QString& text);
    std::optional<SearchHit> hit(const QString& path) const;
    // Whether a path the desktop hands back may be opened: a hit found
    // here, or a screenshot of Momentra's that exists (found by a process
    // that has since ended).
    bool isScreenshot(const QString& path) const;
    // The hits with the path of each one's thumbnail (empty when none can be made).
    struct Described
    {
        SearchHit hit;
        QString thumbnail;
    };
    QFuture<QList<Described>> describe(const QStringList& paths);
    // The hits, each with its thumbnail when the cache has one (a null image otherwise): none is made
    // for the answer, which is asked for on every key press; the missing ones are made afterwards, on
    // a worker, for the questions that follow.
    struct Pictured
    {
        SearchHit hit;
        QImage thumbnail;
    };
    QFuture<QList<Pictured>> findPictured(const QString& text);

private:
    QList<SearchHit> search(const QString& text);

    ScreenshotSearch& m_search;
    ThumbnailCache& m_thumbnails;
    ThumbnailLoader m_making;
    mutable QMutex m_mutex;
    QHash<QString, SearchHit> m_hits;
    QThreadPool m_pool;  // last: its work ends before the rest goes
};
