// Encodes one synthetic desktop frame (windows, text, a photo-like area) as
// JPEG, PNG and HEIC and prints CPU time (all threads), wall time and size.
// Usage: bench_encode [WIDTH HEIGHT [QUALITY [RUNS]]]   (default 1920 1080 0.6 5)

#include "DesktopPicture.h"
#include "media/image/MediaImageCodec.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>

#include <cmath>
#include <cstdio>
#include <ctime>

namespace {

double cpuMilliseconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Peak signal-to-noise ratio over the colour channels, in dB.
double psnr(const Bitmap& a, const Bitmap& b)
{
    if (a.width != b.width || a.height != b.height)
        return 0;
    double sum = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width * 4; ++x) {
            if (x % 4 == 3)
                continue;
            const double d = double(a.row(y)[x]) - double(b.row(y)[x]);
            sum += d * d;
        }
    const double mse = sum / (double(a.width) * a.height * 3);
    return mse <= 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int width = argc > 2 ? atoi(argv[1]) : 1920;
    const int height = argc > 2 ? atoi(argv[2]) : 1080;
    const double quality = argc > 3 ? atof(argv[3]) : 0.6;
    const int runs = argc > 4 ? atoi(argv[4]) : 5;

    const QImage frame = DesktopPicture::make(width, height);
    Bitmap bitmap{width, height, int(frame.bytesPerLine()),
                  QByteArray(reinterpret_cast<const char*>(frame.constBits()), frame.sizeInBytes())};
    MediaImageCodec codec;
    std::printf("%dx%d, quality %.2f, %d runs each\n", width, height, quality, runs);
    for (ScreenshotFormat format : {ScreenshotFormat::Jpeg, ScreenshotFormat::Png, ScreenshotFormat::Heic}) {
        double cpu = 0, wall = 0;
        qsizetype size = 0;
        double quality_dB = 0;
        for (int i = 0; i < runs; ++i) {
            QElapsedTimer timer;
            const double before = cpuMilliseconds();
            timer.start();
            auto encoded = codec.encode(bitmap, format, quality);
            wall += timer.nsecsElapsed() / 1e6;
            cpu += cpuMilliseconds() - before;
            if (!encoded) {
                std::fprintf(stderr, "%s failed: %s\n", qPrintable(ScreenshotFormats::rawValue(format)),
                             qPrintable(encoded.error()));
                return 1;
            }
            size = encoded->size();
            if (i == 0) {
                auto decoded = codec.decode(encoded.value());
                quality_dB = decoded ? psnr(bitmap, decoded.value()) : 0;
            }
        }
        std::printf("%-5s cpu %7.1f ms  wall %7.1f ms  size %7lld KB  PSNR %5.1f dB\n",
                    qPrintable(ScreenshotFormats::rawValue(format)), cpu / runs, wall / runs,
                    (long long)size / 1000, quality_dB);
    }
    return 0;
}
