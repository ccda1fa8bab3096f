#include "app/ToggleCaptureShortcut.h"

#include "core/log/EventLog.h"
#include "core/shortcuts/ShortcutRegistry.h"
#include "core/shortcuts/VirtualKeyCodes.h"

using KeyboardShortcuts::Name;
using KeyboardShortcuts::Shortcut;

Name ToggleCaptureShortcut::name()
{
    return Name(QStringLiteral("toggleCapture"), Shortcut{VirtualKeyCodes::kS, Shortcut::kAlt | Shortcut::kShift});
}

Result<void> ToggleCaptureShortcut::install(std::function<void()> onToggle, ShortcutRegistry& registry,
                                            const Result<void>& desktop, EventLog& log)
{
    registry.declare(name());
    if (!desktop) {
        log.log(QStringLiteral("Global shortcut unavailable: %1").arg(desktop.error()), EventLog::kApp);
        return desktop;
    }
    registry.onKeyUp(name(), std::move(onToggle));
    return Result<void>::success();
}
