#pragma once

#include "core/shortcuts/GlobalShortcutMechanism.h"

#include <QString>
#include <QStringList>

class SessionProbe;

// Which way the global shortcut takes in this session, and why: on X11 a key
// grab; on Wayland the GlobalShortcuts portal where there is one, else KDE's
// kglobalaccel on Plasma, else a shortcut in GNOME's keyboard settings or a
// line in sway's configuration, both running `momentra toggle`.
class GlobalShortcutBackend
{
public:
    struct Facts
    {
        bool hasWaylandDisplay = false;
        bool hasX11Display = false;
        QStringList desktops;  // XDG_CURRENT_DESKTOP, split at ':'
        bool hasSwaySocket = false;
        bool hasPortal = false;  // org.freedesktop.portal.GlobalShortcuts answers
        bool hasKGlobalAccel = false;
    };

    struct Choice
    {
        GlobalShortcutMechanism mechanism = GlobalShortcutMechanism::none;
        QString sentence;  // the log line: the mechanism and why
    };

    static Choice choose(const Facts& facts);
    // The running session's facts; asks the session bus only on Wayland.
    static Facts probe(SessionProbe& session);
};
