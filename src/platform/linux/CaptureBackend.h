#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class SessionProbe;

// Which of the desktop's capture services this session uses, and why. A
// Wayland session (WAYLAND_DISPLAY set) captures through the compositor's
// wlroots screen copy when it has one, else through the screen-cast portal;
// everything else is X11. Each fallback says what it costs. Tests and
// benchmarks set MOMENTRA_CAPTURE_BACKEND=portal to take the portal on a
// wlroots compositor too.
class CaptureBackend
{
public:
    enum class Kind {
        None,
        X11,
        Screencopy,
        Portal,
    };

    // What the session offers, as probed at start.
    struct Facts
    {
        bool hasWaylandDisplay = false;
        bool hasX11Display = false;
        std::optional<QString> waylandError;  // the compositor could not be reached
        bool hasScreencopy = false;
        bool hasPortal = false;     // org.freedesktop.portal.ScreenCast on the session bus
        bool forcesPortal = false;  // MOMENTRA_CAPTURE_BACKEND=portal, for tests and benchmarks
    };

    struct Choice
    {
        Kind kind = Kind::None;
        QString sentence;  // the log line: the backend and why, or why there is none
    };

    static Choice choose(const Facts& facts);
    // What the backend cannot do of what the settings ask, one log line
    // each: a compositor hands out the composited output, so no window can
    // be left out of it.
    static QStringList unkeptSettings(Kind kind, int excludedApps, bool hidesNotifications, bool hidesDesktopIcons);
    static bool isWayland(Kind kind) { return kind == Kind::Screencopy || kind == Kind::Portal; }
    // The facts of the running session: its environment, the compositor,
    // the session bus.
    static Facts probe(SessionProbe& session);

private:
    static Choice onWayland(const Facts& facts);
};
