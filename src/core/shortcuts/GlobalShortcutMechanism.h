#pragma once

#include <QString>

// How the start/stop shortcut reaches this session's desktop, chosen once at
// start: a key grab or a binding we make over D-Bus (the shortcut then runs
// inside Momentra), or a binding kept in the desktop's own settings that runs
// `momentra toggle`, or nothing at all.
enum class GlobalShortcutMechanism {
    none,
    x11KeyGrab,
    desktopPortal,
    kdeGlobalShortcuts,
    gnomeKeyboardSettings,
    swayConfiguration,
};

// "desktop portal", "KDE global shortcuts", …: the words after "Global shortcut: ".
QString globalShortcutMechanismName(GlobalShortcutMechanism mechanism);
