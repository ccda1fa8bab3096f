#pragma once

#include "core/shortcuts/Name.h"
#include "core/shortcuts/Shortcut.h"
#include "core/shortcuts/ShortcutRegistry.h"

#include <functional>
#include <optional>

// The process-wide named shortcuts, over ShortcutRegistry::shared(). The
// change notifications are the registry's signals shortcutByNameDidChange
// and recorderActiveStatusDidChange.
namespace KeyboardShortcuts {

inline ShortcutRegistry& registry() { return ShortcutRegistry::shared(); }

inline std::optional<Shortcut> getShortcut(const Name& name) { return registry().shortcut(name); }
inline void setShortcut(const std::optional<Shortcut>& shortcut, const Name& name)
{
    registry().setShortcut(shortcut, name);
}
inline void onKeyDown(const Name& name, std::function<void()> action) { registry().onKeyDown(name, std::move(action)); }
inline void onKeyUp(const Name& name, std::function<void()> action) { registry().onKeyUp(name, std::move(action)); }

inline bool isEnabled() { return registry().isEnabled(); }
inline void setEnabled(bool enabled) { registry().setEnabled(enabled); }
inline bool isPaused() { return registry().isPaused(); }
inline void setPaused(bool paused) { registry().setPaused(paused); }

}  // namespace KeyboardShortcuts
