#include "app/ToggleCaptureShortcut.h"

#include "core/log/EventLog.h"
#include "core/shortcuts/HotKeyCenter.h"
#include "core/shortcuts/ShortcutRegistry.h"
#include "core/shortcuts/VirtualKeyCodes.h"
#include "platform/linux/X11HotKeyService.h"
#include "ui/MenuTrackingObserver.h"

#include <memory>

using KeyboardShortcuts::Name;
using KeyboardShortcuts::Shortcut;

Name ToggleCaptureShortcut::name()
{
    return Name(QStringLiteral("toggleCapture"),
                Shortcut{VirtualKeyCodes::kS, Shortcut::kAlt | Shortcut::kShift});
}

Result<void> ToggleCaptureShortcut::install(std::function<void()> onToggle)
{
    return install(std::move(onToggle), ShortcutRegistry::shared(), HotKeyCenter::shared());
}

Result<void> ToggleCaptureShortcut::install(std::function<void()> onToggle, ShortcutRegistry& registry,
                                            HotKeyCenter& center)
{
    registry.declare(name());
    const auto connected = connectDesktop(center);
    if (!connected) {
        EventLog::shared().log(QStringLiteral("Global shortcut unavailable: %1").arg(connected.error()),
                               EventLog::kApp);
        return connected;
    }
    registry.onKeyUp(name(), std::move(onToggle));
    MenuTrackingObserver::install(center);
    return Result<void>::success();
}

Result<void> ToggleCaptureShortcut::connectDesktop(HotKeyCenter& center)
{
    if (center.service())
        return Result<void>::success();
    // The service lives as long as the process; centres only borrow it.
    static std::shared_ptr<X11HotKeyService> service;
    if (!service) {
        auto connected = X11HotKeyService::connect();
        if (!connected)
            return Result<void>::failure(connected.error());
        service = std::move(connected).value();
    }
    center.setService(service.get());
    return Result<void>::success();
}
