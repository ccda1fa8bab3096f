// Compares one output's screenshot by Momentra (wlroots screen copy) with
// grim on the same headless sway output showing the same picture: CPU time
// (ours and the compositor's), wall time and file size per capture, with
// ratios. Runs inside a private session:
//   scripts/wayland-session.sh build/bench/capture/bench_capture_wayland [RUNS]
// With --portal (and MOMENTRA_PORTAL_PRELOAD=build/tests/momentra_portal_shm.so)
// it adds the screen-cast portal: a kept session whose streams idle between
// captures against a session started from the stored grant for each
// capture, the portal's CPU counted with the compositor's. The portal sends
// frames only on change, so each portal capture follows a background change
// (its redraw counted in both rows).

#include "BenchClock.h"
#include "DesktopPicture.h"

#include "core/capture/ScreenshotWriter.h"
#include "media/image/MediaImageCodec.h"
#include "platform/linux/wayland/PortalGrant.h"
#include "platform/linux/wayland/PortalScreenSource.h"
#include "platform/linux/wayland/ScreencopyScreenSource.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <functional>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wayland-client.h>

extern char** environ;

namespace {

const QString kOutput = QStringLiteral("HEADLESS-1");

struct Sample
{
    double ownCpu = 0, compositorCpu = 0, wall = 0, bytes = 0;
};

// utime + stime of a process from /proc/PID/stat, in ms.
double cpuOf(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

// The compositor at the other end of a Wayland connection.
pid_t compositorPid()
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return 0;
    ucred peer{};
    socklen_t length = sizeof peer;
    getsockopt(wl_display_get_fd(display), SOL_SOCKET, SO_PEERCRED, &peer, &length);
    wl_display_disconnect(display);
    return peer.pid;
}

Sample measure(pid_t compositor, int runs, int who, const std::function<double()>& once)
{
    const double cpu0 = processCpuMs(who), compositor0 = cpuOf(compositor), wall0 = nowMs();
    double bytes = 0;
    for (int i = 0; i < runs; ++i)
        bytes = once();
    return {(processCpuMs(who) - cpu0) / runs, (cpuOf(compositor) - compositor0) / runs, (nowMs() - wall0) / runs,
            bytes};
}

double runGrim(const QStringList& arguments, const QString& file)
{
    QByteArrayList storage{"grim", "-o", kOutput.toLocal8Bit()};
    for (const QString& argument : arguments + QStringList{file})
        storage.append(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& item : storage)
        argv.push_back(item.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "grim", nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return double(QFileInfo(file).size());
}

void print(const char* label, const Sample& s, const Sample* baseline)
{
    std::printf("  %-22s cpu %7.1f ms + compositor %6.1f ms = %7.1f ms   wall %7.1f ms   size %8.0f KB", label,
                s.ownCpu, s.compositorCpu, s.ownCpu + s.compositorCpu, s.wall, s.bytes / 1024);
    if (baseline) {
        const double total = s.ownCpu + s.compositorCpu, base = baseline->ownCpu + baseline->compositorCpu;
        std::printf("   ×%.2f cpu  ×%.2f wall", total / base, s.wall / baseline->wall);
        if (s.bytes > 0)
            std::printf("  ×%.2f size", s.bytes / baseline->bytes);
    }
    std::printf("\n");
}

// The synthetic desktop as HEADLESS-1's wallpaper, waited for until a capture shows it.
bool showPicture(ScreencopyScreenSource& source, const DisplayInfo& display, const QString& file)
{
    const QImage picture = DesktopPicture::make(display.width, display.height);
    if (!picture.save(file))
        return false;
    QProcess swaymsg;
    swaymsg.start(QStringLiteral("swaymsg"), {"output", kOutput, "bg", file, "stretch"});
    if (!swaymsg.waitForFinished(10000) || swaymsg.exitCode() != 0)
        return false;
    const QRgb corner = picture.pixel(display.width - 1, display.height - 1);
    for (int attempt = 0; attempt < 200; ++attempt) {
        const Result<Bitmap> image = source.capture(display, {});
        if (image && (image->pixel(display.width - 1, display.height - 1) | 0xff000000u) == (corner | 0xff000000u))
            return true;
        usleep(50000);
    }
    return false;
}

pid_t pidOf(const QString& program)
{
    QProcess pidof;
    pidof.start(QStringLiteral("pidof"), {program});
    pidof.waitForFinished(5000);
    return pid_t(pidof.readAllStandardOutput().trimmed().split(' ').value(0).toInt());
}

void repaint(int run)
{
    QProcess swaymsg;
    swaymsg.start(
        QStringLiteral("swaymsg"),
        {"output", kOutput, "bg", run % 2 ? QStringLiteral("#203040") : QStringLiteral("#302010"), "solid_color"});
    swaymsg.waitForFinished(10000);
}

void measurePortal(pid_t compositor, int runs, const QString& tokenPath, const Sample& grimJpeg)
{
    auto grant = std::make_shared<PortalGrant>(QDBusConnection::sessionBus(), RestoreTokenStore(tokenPath),
                                               [](const QString&, bool) {});
    const pid_t portal = pidOf(QStringLiteral("xdg-desktop-portal-wlr"));
    const pid_t frontEnd = pidOf(QStringLiteral("xdg-desktop-portal"));
    auto desktopCpu = [&] { return cpuOf(compositor) + cpuOf(portal) + cpuOf(frontEnd); };
    auto run = [&](const std::function<bool(int)>& once) {
        Sample sample;
        int failures = 0;
        for (int i = 0; i < runs; ++i) {
            repaint(i);
            const double cpu0 = processCpuMs(RUSAGE_SELF), desktop0 = desktopCpu(), wall0 = nowMs();
            failures += once(i) ? 0 : 1;
            sample.ownCpu += processCpuMs(RUSAGE_SELF) - cpu0;
            sample.compositorCpu += desktopCpu() - desktop0;
            sample.wall += nowMs() - wall0;
        }
        sample.ownCpu /= runs;
        sample.compositorCpu /= runs;
        sample.wall /= runs;
        if (failures)
            std::printf("  (%d of %d portal captures failed)\n", failures, runs);
        return sample;
    };
    auto captureWith = [](PortalScreenSource& source) {
        const Result<ShareableContent> content = source.content();
        return content && !content->displays.isEmpty() && source.capture(content->displays[0], {}).ok();
    };
    PortalScreenSource kept(grant);
    captureWith(kept);  // the session and the first frame, before measuring
    print("portal, idle stream", run([&](int) { return captureWith(kept); }), &grimJpeg);
    print("portal, session each", run([&](int) {
              PortalScreenSource once(grant);
              return captureWith(once);
          }),
          &grimJpeg);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int runs = qMax(1, app.arguments().value(1, QStringLiteral("20")).toInt());
    const pid_t compositor = compositorPid();
    ScreencopyScreenSource source;
    const Result<ShareableContent> content = source.content();
    std::optional<DisplayInfo> display;
    for (const DisplayInfo& d : content ? content->displays : QList<DisplayInfo>())
        if (d.name == kOutput)
            display = d;
    QTemporaryDir folder;
    if (!compositor || !display || !showPicture(source, *display, folder.filePath("desktop.png"))) {
        std::fprintf(stderr, "no headless sway output %s to capture (run inside scripts/wayland-session.sh)\n",
                     qPrintable(kOutput));
        return 1;
    }
    std::printf("%dx%d, %d runs, compositor pid %d\n", display->width, display->height, runs, int(compositor));
    // Some builds of grim (Debian 12's) lack JPEG; then its uncompressed PPM, which
    // costs less than any JPEG it could write, stands in for the JPEG baseline.
    const bool grimHasJpeg = runGrim({"-t", "jpeg", "-q", "60"}, folder.filePath("g.jpg")) > 0;
    const QStringList jpegArguments = grimHasJpeg ? QStringList{"-t", "jpeg", "-q", "60"} : QStringList{"-t", "ppm"};
    const Sample grimJpeg = measure(compositor, runs, RUSAGE_CHILDREN,
                                    [&] { return runGrim(jpegArguments, folder.filePath("g.jpg")); });
    const Sample grimPng = measure(compositor, runs, RUSAGE_CHILDREN,
                                   [&] { return runGrim({}, folder.filePath("g.png")); });
    print(grimHasJpeg ? "grim -t jpeg -q 60" : "grim -t ppm (no JPEG)", grimJpeg, nullptr);
    print("grim (PNG)", grimPng, nullptr);

    Bitmap last;
    auto grab = [&] {
        last = Bitmap();
        if (const Result<Bitmap> image = source.capture(*display, {}))
            last = *image;
        return 0.0;
    };
    print("Momentra grab only", measure(compositor, runs, RUSAGE_SELF, grab), &grimJpeg);
    MediaImageCodec codec;
    ScreenshotWriter writer(codec);
    auto captureAndWrite = [&](ScreenshotFormat format, const QString& name) {
        return [&, format, name] {
            grab();
            const auto written = writer.writeImage(last, folder.filePath(name), format, 0.6);
            if (written)
                QFile::remove(written->path);
            return written ? double(written->bytes) : 0.0;
        };
    };
    print("Momentra JPEG 0.6",
          measure(compositor, runs, RUSAGE_SELF, captureAndWrite(ScreenshotFormat::Jpeg, "m.jpeg")), &grimJpeg);
    print("Momentra PNG", measure(compositor, runs, RUSAGE_SELF, captureAndWrite(ScreenshotFormat::Png, "m.png")),
          &grimPng);
    if (QDBusConnection::sessionBus().interface()->isServiceRegistered(
            QStringLiteral("org.freedesktop.portal.Desktop")))
        measurePortal(compositor, runs, folder.filePath("token"), grimJpeg);
    return 0;
}
