#include "app/ToggleCaptureShortcut.h"

#include "core/shortcuts/ShortcutRegistry.h"
#include "core/shortcuts/VirtualKeyCodes.h"

using KeyboardShortcuts::Name;
using KeyboardShortcuts::Shortcut;

Name ToggleCaptureShortcut::name()
{
    return Name(QStringLiteral("toggleCapture"), Shortcut{VirtualKeyCodes::kS, Shortcut::kAlt | Shortcut::kShift});
}

Result<void> ToggleCaptureShortcut::install(std::function<void()> onToggle, ShortcutRegistry& registry,
                                            const Result<void>& desktop)
{
    registry.declare(name());
    if (!desktop)
        return desktop;
    registry.onKeyUp(name(), std::move(onToggle));
    return Result<void>::success();
}
