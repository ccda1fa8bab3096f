// Compares one display's screenshot by Momentra with scrot on the same
// private Xvfb and the same picture: CPU time (ours and the X server's),
// wall time and file size per capture, printed with ratios.
// Usage: bench_capture [RUNS] [WIDTHxHEIGHT ...]   (default 20 1920x1080 3840x2160)

#include "BenchClock.h"
#include "BenchXServer.h"
#include "DesktopPicture.h"

#include "platform/linux/x11/X11ScreenSource.h"

#include "core/capture/ScreenshotWriter.h"
#include "media/image/MediaImageCodec.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <functional>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace {

struct Sample
{
    double ownCpu = 0;     // ms per capture, every thread of the capturing process
    double serverCpu = 0;  // ms per capture in the X server
    double wall = 0;       // ms per capture
    double bytes = 0;      // file size, 0 for a grab alone
};

Sample measure(const BenchXServer& server, int runs, int who, const std::function<double()>& once)
{
    const double cpu0 = processCpuMs(who), server0 = server.cpuMilliseconds(), wall0 = nowMs();
    double bytes = 0;
    for (int i = 0; i < runs; ++i)
        bytes = once();
    Sample s;
    s.wall = (nowMs() - wall0) / runs;
    s.ownCpu = (processCpuMs(who) - cpu0) / runs;
    s.serverCpu = (server.cpuMilliseconds() - server0) / runs;
    s.bytes = bytes;
    return s;
}

double runScrot(const QString& display, const QStringList& arguments, const QString& file)
{
    QByteArrayList storage{"scrot"};
    for (const QString& argument : arguments)
        storage.append(argument.toLocal8Bit());
    storage.append(file.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& item : storage)
        argv.push_back(item.data());
    argv.push_back(nullptr);
    qputenv("DISPLAY", display.toLocal8Bit());
    pid_t pid = 0;
    if (posix_spawnp(&pid, "scrot", nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return QFileInfo(file).size();
}

void print(const char* label, const Sample& s, const Sample* baseline)
{
    std::printf("  %-22s cpu %7.1f ms + X %6.1f ms = %7.1f ms   wall %7.1f ms   size %8.0f KB", label, s.ownCpu,
                s.serverCpu, s.ownCpu + s.serverCpu, s.wall, s.bytes / 1024);
    if (baseline) {
        const double total = s.ownCpu + s.serverCpu, base = baseline->ownCpu + baseline->serverCpu;
        std::printf("   ×%.2f cpu  ×%.2f wall", total / base, s.wall / baseline->wall);
        if (s.bytes > 0)
            std::printf("  ×%.2f size", s.bytes / baseline->bytes);
    }
    std::printf("\n");
}

bool benchSize(int width, int height, int runs)
{
    BenchXServer server;
    if (!server.start(width, height)) {
        std::fprintf(stderr, "Xvfb did not start (Debian package xvfb)\n");
        return false;
    }
    const QString shown = DesktopPicture::show(DesktopPicture::make(width, height), server.display());
    if (!shown.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(shown));
        return false;
    }
    X11ScreenSource source({server.display().toLocal8Bit(), true, true});
    const Result<ShareableContent> content = source.content();
    if (!content || content->displays.isEmpty()) {
        std::fprintf(stderr, "no display: %s\n", qPrintable(content.error()));
        return false;
    }
    const DisplayInfo display = content->displays.first();
    DisplayCaptureRequest request;
    request.outputWidth = display.width;
    request.outputHeight = display.height;
    Bitmap last;
    auto grab = [&] {
        last = Bitmap();  // the engine lets go of each image once it is written
        Result<Bitmap> image = source.capture(display, request);
        if (!image)
            std::fprintf(stderr, "capture failed: %s\n", qPrintable(image.error()));
        else
            last = *image;
        return 0.0;
    };
    grab();  // first use sets up the shared-memory segment
    QTemporaryDir folder;
    std::printf("%dx%d, %d runs (HEIC %d), DISPLAY %s\n", width, height, runs, std::max(2, runs / 5),
                qPrintable(server.display()));

    const Sample scrotJpeg = measure(server, runs, RUSAGE_CHILDREN, [&] {
        return runScrot(server.display(), {"-o", "-q", "60"}, folder.filePath("scrot.jpg"));
    });
    const Sample scrotPng = measure(server, runs, RUSAGE_CHILDREN,
                                    [&] { return runScrot(server.display(), {"-o"}, folder.filePath("scrot.png")); });
    print("scrot -q 60 (JPEG)", scrotJpeg, nullptr);
    print("scrot (PNG)", scrotPng, nullptr);
    print("Momentra grab only", measure(server, runs, RUSAGE_SELF, grab), &scrotJpeg);
    std::printf("    (read through %s)\n", source.lastCaptureUsedShm() ? "MIT-SHM" : "GetImage");
    DisplayCaptureRequest hiding = request;
    hiding.hidesNotifications = hiding.hidesDesktopIcons = true;
    hiding.excludedAppIds = {QStringLiteral("org.example.Private")};
    print("Momentra grab, hiding",
          measure(server, runs, RUSAGE_SELF,
                  [&] {
                      last = Bitmap();
                      if (const Result<Bitmap> image = source.capture(display, hiding))
                          last = *image;
                      return 0.0;
                  }),
          &scrotJpeg);
    MediaImageCodec codec;
    ScreenshotWriter writer(codec);
    auto captureAndWrite = [&](ScreenshotFormat format, const QString& name) {
        return [&, format, name] {
            grab();
            const auto written = writer.writeImage(last, folder.filePath(name), format, 0.6);
            if (!written)
                std::fprintf(stderr, "write failed: %s\n", qPrintable(written.error()));
            else
                QFile::remove(written->path);  // names are never replaced: free it for the next run
            return written ? double(written->bytes) : 0.0;
        };
    };
    const Sample jpeg = measure(server, runs, RUSAGE_SELF, captureAndWrite(ScreenshotFormat::Jpeg, "m.jpeg"));
    const Sample png = measure(server, runs, RUSAGE_SELF, captureAndWrite(ScreenshotFormat::Png, "m.png"));
    const Sample heic = measure(server, std::max(2, runs / 5), RUSAGE_SELF,
                                captureAndWrite(ScreenshotFormat::Heic, "m.heic"));
    print("Momentra JPEG 0.6", jpeg, &scrotJpeg);
    print("Momentra PNG", png, &scrotPng);
    print("Momentra HEIC 0.6", heic, &scrotJpeg);
    std::printf("    HEIC size vs Momentra JPEG: ×%.2f\n", heic.bytes / jpeg.bytes);
    server.stop();
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    int runs = 20;
    QStringList sizes;
    for (const QString& argument : arguments) {
        bool isNumber = false;
        const int value = argument.toInt(&isNumber);
        if (isNumber && value > 0)
            runs = value;
        else
            sizes.append(argument);
    }
    if (sizes.isEmpty())
        sizes = {QStringLiteral("1920x1080"), QStringLiteral("3840x2160")};
    for (const QString& size : sizes) {
        const QStringList parts = size.split(QLatin1Char('x'));
        if (parts.size() != 2 || !benchSize(parts[0].toInt(), parts[1].toInt(), runs))
            return 1;
    }
    return 0;
}
