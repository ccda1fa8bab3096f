// What a tick costs when a gate skips it: the engine's tick with the desktop's
// real answers (free space, the lock test over D-Bus, idle time and the
// active window from the X server), on a private Xvfb. Prints CPU time per
// skipped tick (ours and the X server's) and wall time.
// Usage: bench_gates [TICKS]   (default 2000)

#include "BenchXServer.h"
#include "CpuClock.h"

#include "core/capture/DisplayCapture.h"
#include "core/capture/ScreenshotManager.h"
#include "core/log/EventLog.h"
#include "media/image/MediaImageCodec.h"
#include "platform/linux/LinuxSessionState.h"
#include "platform/linux/x11/X11ScreenSource.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

struct Scenario
{
    const char* name;
    bool pausesWhenLocked;
    bool pauseWhenIdle;
    bool excludeFrontmost;
};

// A mapped window of "KeePassXC" named as the active one on the root, as a
// window manager would.
void activateExcludedWindow()
{
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 200, 200, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, 0, nullptr);
    const char wmClass[] = "keepassxc\0KeePassXC";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, sizeof wmClass,
                        wmClass);
    xcb_map_window(c, window);
    const char name[] = "_NET_ACTIVE_WINDOW";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, screen->root, atom->atom, XCB_ATOM_WINDOW, 32, 1, &window);
    std::free(atom);
    xcb_flush(c);
    // The connection stays open so that the window lives as long as the benchmark.
}

void run(const Scenario& scenario, int ticks, BenchXServer& server, const QString& folder)
{
    X11ScreenSource source;
    MediaImageCodec codec;
    DisplayCapture capture(source, codec);
    EventLog log(folder + QStringLiteral("/log"));
    LinuxSessionState session(QDBusConnection::systemBus(), QDBusConnection::sessionBus(), log);
    ScreenshotManager engine(capture, session, log);

    CaptureConfiguration configuration;
    configuration.folder = folder;
    configuration.intervalSeconds = 3600;
    configuration.minimumFreeBytes = 1;  // the free-space check runs, and passes
    configuration.pausesWhenLocked = scenario.pausesWhenLocked;
    configuration.pauseWhenIdle = scenario.pauseWhenIdle;
    configuration.idleThresholdSeconds = 0;  // always idle: the idle gate skips
    if (scenario.excludeFrontmost) {
        configuration.excludedAppIds = {QStringLiteral("KeePassXC")};
    }
    engine.start(configuration);

    const double serverBefore = server.cpuMilliseconds();
    const double cpuBefore = threadCpuSeconds() * 1e3;
    QElapsedTimer wall;
    wall.start();
    int skipped = 0;
    for (int i = 0; i < ticks; ++i) {
        engine.tick();
        skipped += engine.isTicking() ? 0 : 1;  // a skipped tick ends inside tick()
        while (engine.isTicking())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    const double cpu = (threadCpuSeconds() * 1e3 - cpuBefore) / ticks;
    const double serverCpu = (server.cpuMilliseconds() - serverBefore) / ticks;
    const double wallMs = double(wall.nsecsElapsed()) / 1e6 / ticks;
    std::printf("%-44s %6.3f ms CPU + %6.3f ms X server, %6.3f ms wall  (%d/%d skipped; target < 1 ms CPU: %s)\n",
                scenario.name, cpu, serverCpu, wallMs, skipped, ticks, cpu + serverCpu < 1.0 ? "met" : "MISSED");
    engine.stop();
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int ticks = argc > 1 ? std::max(1, atoi(argv[1])) : 2000;
    BenchXServer server;
    if (!server.start(1920, 1080)) {
        std::fprintf(stderr, "Xvfb did not start (Debian package xvfb)\n");
        return 1;
    }
    qputenv("DISPLAY", server.display().toLocal8Bit());
    QTemporaryDir folder;
    activateExcludedWindow();
    std::printf("Skipped ticks, %d each (logind and screen saver as found on this session's buses)\n", ticks);
    run({"idle gate (lock test off)", false, true, false}, ticks, server, folder.path());
    run({"lock test, then idle gate", true, true, false}, ticks, server, folder.path());
    run({"lock test, idle off, excluded app in front", true, false, true}, ticks, server, folder.path());
    return 0;
}
