#pragma once

#include "core/shortcuts/Shortcut.h"

#include <QString>

#include <optional>

// A stored shortcut written the way each desktop reads key combinations. The
// key is named by its usual keysym ("s", "F5", "Return"), so the desktop
// finds it on whatever layout is in use. Empty or absent for a key code no
// keyboard here has.
namespace ShortcutNotation {

// The shortcut strings of the freedesktop portals: "CTRL+SHIFT+s".
QString portalTrigger(const KeyboardShortcuts::Shortcut& shortcut);
// A Qt key combination as an int, the form KDE's global shortcuts take.
std::optional<int> qtKeyCombination(const KeyboardShortcuts::Shortcut& shortcut);
// A GTK accelerator for GNOME's keyboard settings: "<Control><Shift>s".
QString gtkAccelerator(const KeyboardShortcuts::Shortcut& shortcut);
// A sway key combination: "Ctrl+Shift+s".
QString swayCombination(const KeyboardShortcuts::Shortcut& shortcut);
// The command line that toggles capture in the running Momentra: the
// executable's absolute path (quoted as a shell would need) and "toggle".
QString toggleCommand(const QString& executable);

}  // namespace ShortcutNotation
