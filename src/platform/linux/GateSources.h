#pragma once

#include <QDBusConnection>
#include <QString>
#include <QStringList>

class SessionProbe;

// Which of the desktop's mechanisms answer the idle gate (seconds since the
// last input) and the excluded-app gate (the application in front), chosen
// once at start from what the session offers. X11 has one of each. On
// Wayland each desktop has its own, tried in the order of the enums below;
// where a desktop offers none, the choice says so instead of pretending.
class GateSources
{
public:
    enum class Idle {
        None,
        XScreenSaver,
        ExtIdleNotifier,    // ext_idle_notifier_v1: KDE Plasma 5.27+, newer wlroots
        KdeIdle,            // org_kde_kwin_idle: sway 1.7, older KWin
        MutterIdleMonitor,  // GNOME, over D-Bus
        LogindIdleHint,     // the login session's IdleHint, set by some desktops
    };
    enum class FrontApp {
        None,
        X11ActiveWindow,
        WlrForeignToplevel,   // zwlr_foreign_toplevel_manager_v1: wlroots compositors
        KWinScript,           // a KWin script that reports the active window back to us
        GnomeShellExtension,  // our GNOME Shell extension, enabled by the user
    };

    // What the session offers, as probed at start.
    struct Facts
    {
        bool wayland = false;          // WAYLAND_DISPLAY is set
        bool x11 = false;              // DISPLAY is set
        bool extIdleNotifier = false;  // the compositor's globals …
        bool kdeIdle = false;
        bool foreignToplevels = false;
        bool mutterIdleMonitor = false;  // … and the session bus's names
        bool kwin = false;
        bool gnomeShell = false;
        bool shellExtension = false;
        bool logindSession = false;  // logind knows our session
    };

    struct Choice
    {
        Idle idle = Idle::None;
        FrontApp frontApp = FrontApp::None;
        // Why the excluded-app gate cannot work on this desktop; empty where it can.
        QString frontAppUnavailable;
        // Why the idle gate cannot work on this desktop; empty where it can.
        QString idleUnavailable;

        // The log lines for the start: the mechanisms, then what is unavailable.
        QStringList sentences() const;
    };

    static Choice choose(const Facts& facts);
    // logind on the system bus is asked only when nothing better answers idle time.
    static Facts probe(SessionProbe& session, QDBusConnection systemBus);
    static QString name(Idle idle);
    static QString name(FrontApp frontApp);

    // Our GNOME Shell extension's id in the Extensions app (its bus name is
    // ShellExtensionFrontmostApp::kService).
    static constexpr const char* kShellExtensionUuid = "momentra@app.momentra";
};
