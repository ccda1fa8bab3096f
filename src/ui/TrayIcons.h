#pragma once

#include "core/status/MenuBarIcon.h"

#include <QIcon>

// The tray icon of a state: the installed theme's icon by name (so a tray
// host can look it up itself), else Momentra's own drawing built in.
namespace TrayIcons {

QIcon icon(MenuBarIcon::State state, bool symbolic);
// Whether the panel recolours single-colour icons (GNOME's AppIndicator
// extension does; other panels show icons as drawn).
bool panelWantsSymbolic();

}  // namespace TrayIcons
