// Makes the search window's thumbnails (large, 256 pixels, into a scratch
// freedesktop cache) of every screenshot in a folder, three ways: as they
// were made before (the whole image decoded through the codec, then scaled),
// through ThumbnailCache one at a time, and through ThumbnailLoader's
// workers as the window asks for them. Prints milliseconds per screenshot,
// wall and CPU (all threads), the best of the runs.
// Usage: bench_thumbnails FOLDER [RUNS]   (default 3 runs)

#include "CpuClock.h"
#include "media/image/MediaImageCodec.h"
#include "ui/search/ThumbnailCache.h"
#include "ui/search/ThumbnailLoader.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

namespace {

struct Cost
{
    double wall = 1e300;
    double cpu = 1e300;
};

// The thumbnail as it was made before reduced decoding: whole, converted, scaled, stored.
bool wholeDecode(MediaImageCodec& codec, const QString& file, const QString& folder)
{
    const Result<Bitmap> decoded = codec.decodeFile(file);
    if (!decoded)
        return false;
    const Bitmap& bitmap = decoded.value();
    QImage image = QImage(reinterpret_cast<const uchar*>(bitmap.pixels.constData()), bitmap.width, bitmap.height,
                          bitmap.stride, QImage::Format_ARGB32)
                       .copy();
    image = image.scaled(256, 256, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QTemporaryFile out(folder + QStringLiteral("/XXXXXX.png"));
    return out.open() && image.save(&out, "PNG");
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_thumbnails FOLDER [RUNS]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
    QStringList files;
    QDirIterator found(QString::fromLocal8Bit(argv[1]), {"*.jpg", "*.jpeg", "*.png", "*.heic"}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (found.hasNext())
        files.append(found.next());
    files.sort();
    if (files.isEmpty()) {
        std::fprintf(stderr, "no screenshots (.jpg, .jpeg, .png, .heic) in %s\n", argv[1]);
        return 2;
    }

    MediaImageCodec codec;
    Cost before, single, loader;
    const auto measure = [](Cost& cost, const std::function<void()>& work) {
        QElapsedTimer wall;
        const double cpu = processCpuSeconds() * 1e3;
        wall.start();
        work();
        cost.wall = std::min(cost.wall, double(wall.nsecsElapsed()) / 1e6);
        cost.cpu = std::min(cost.cpu, processCpuSeconds() * 1e3 - cpu);
    };
    int failed = 0;
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir scratch;
        measure(before, [&] {
            for (const QString& file : files)
                failed += wholeDecode(codec, file, scratch.path()) ? 0 : 1;
        });
        ThumbnailCache cache(codec, scratch.path() + QStringLiteral("/single"));
        measure(single, [&] {
            for (const QString& file : files)
                failed += cache.thumbnail(file, ThumbnailCache::Size::Large).ok() ? 0 : 1;
        });
        ThumbnailCache shared(codec, scratch.path() + QStringLiteral("/loader"));
        measure(loader, [&] {
            ThumbnailLoader workers(shared, ThumbnailCache::Size::Large);
            qsizetype loaded = 0;
            QObject::connect(&workers, &ThumbnailLoader::loaded, [&](const QString&, const QImage& image) {
                failed += image.isNull() ? 1 : 0;
                if (++loaded == files.size())
                    QCoreApplication::quit();
            });
            workers.request(files);
            QCoreApplication::exec();
        });
    }
    const double n = double(files.size());
    std::printf("%lld screenshots, best of %d runs, milliseconds per screenshot (wall / CPU)\n",
                static_cast<long long>(files.size()), runs);
    std::printf("  whole decode, then scale   %7.2f / %7.2f\n", before.wall / n, before.cpu / n);
    std::printf("  ThumbnailCache, one by one %7.2f / %7.2f   (%.1fx faster)\n", single.wall / n, single.cpu / n,
                before.wall / single.wall);
    std::printf("  ThumbnailLoader's workers  %7.2f / %7.2f   (%.1fx faster)\n", loader.wall / n, loader.cpu / n,
                before.wall / loader.wall);
    if (failed > 0)
        std::printf("%d thumbnails could not be made\n", failed);
    return failed > 0 ? 1 : 0;
}
