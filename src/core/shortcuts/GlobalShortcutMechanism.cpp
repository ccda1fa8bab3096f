#include "core/shortcuts/GlobalShortcutMechanism.h"

QString globalShortcutMechanismName(GlobalShortcutMechanism mechanism)
{
    switch (mechanism) {
    case GlobalShortcutMechanism::x11KeyGrab:
        return QStringLiteral("X11 key grab");
    case GlobalShortcutMechanism::desktopPortal:
        return QStringLiteral("desktop portal");
    case GlobalShortcutMechanism::kdeGlobalShortcuts:
        return QStringLiteral("KDE global shortcuts");
    case GlobalShortcutMechanism::gnomeKeyboardSettings:
        return QStringLiteral("GNOME keyboard settings");
    case GlobalShortcutMechanism::swayConfiguration:
        return QStringLiteral("sway configuration");
    case GlobalShortcutMechanism::none:
        break;
    }
    return QStringLiteral("none on this desktop");
}
