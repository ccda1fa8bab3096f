#include "SearchScreenshot.h"

#include "core/search/ScreenshotSearch.h"
#include "media/image/MediaImageCodec.h"
#include "ui/search/ScreenshotOpener.h"
#include "ui/search/SearchWindow.h"
#include "ui/search/ThumbnailCache.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QPainter>
#include <QTemporaryDir>

namespace {

struct NoOpener : ScreenshotOpener
{
    void open(const QString&) override {}
    void showInFileManager(const QString&) override {}
};

struct FixedSearch : ScreenshotSearch
{
    QList<SearchHit> hits;
    std::optional<QList<SearchHit>> search(const SearchQuery&) override { return hits; }
};

// A desktop with a window holding a few lines of text.
QImage desktop(const QColor& window, const QStringList& lines)
{
    QImage image(1280, 800, QImage::Format_RGB32);
    image.fill(QColor(46, 52, 64));
    QPainter painter(&image);
    painter.fillRect(QRect(120, 90, 1040, 620), window);
    painter.fillRect(QRect(120, 90, 1040, 44), window.darker(130));
    QFont font = painter.font();
    font.setPixelSize(40);
    painter.setFont(font);
    painter.setPen(Qt::black);
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(180, 220 + 70 * i, lines.at(i));
    return image;
}

}  // namespace

QImage renderSearchScreenshot()
{
    QTemporaryDir folder;
    const QDateTime now = QDateTime::currentDateTime();
    const QChar start = SearchHit::kMarkStart;
    const QChar end = SearchHit::kMarkEnd;
    const struct
    {
        QColor color;
        QStringList lines;
        QString snippet;
        int minutesAgo;
    } shots[] = {
        {QColor(236, 239, 244), {"Invoice 2024-117", "Total due: 1,240.00"}, QString("%1Invoice%2 2024-117"), 12},
        {QColor(255, 244, 214),
         {"Re: the March invoice", "Thanks, paid today"},
         QString("Re: the March %1invoice%2"),
         95},
        {QColor(220, 236, 250), {"Quarterly report", "Open invoices: 14"}, QString("Open %1invoice%2s: 14"), 1500},
        {QColor(230, 245, 230),
         {"Accounting", "Invoice numbering rules"},
         QString("%1Invoice%2 numbering rules"),
         3100},
    };
    FixedSearch search;
    for (int i = 0; i < 4; ++i) {
        const QString path = folder.filePath(QStringLiteral("Momentra_%1.png").arg(i));
        desktop(shots[i].color, shots[i].lines).save(path);
        search.hits.append({path, now.addSecs(-60 * shots[i].minutesAgo), 1, shots[i].snippet.arg(start, end)});
    }
    MediaImageCodec codec;
    ThumbnailCache cache(codec);
    NoOpener opener;
    SearchWindow window(search, cache, opener);
    window.resize(860, 330);
    window.show();
    window.setQueryText(QStringLiteral("invoice"));
    const QDeadlineTimer deadline(5000);
    const auto allThumbnails = [&] {
        for (const SearchHit& hit : search.hits) {
            if (!cache.cached(hit.path, ThumbnailCache::Size::Large))
                return false;
        }
        return true;
    };
    while (!allThumbnails() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    for (int i = 0; i < 10; ++i)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return window.grab().toImage();
}
