#pragma once

#include "core/shortcuts/HotKeyService.h"

#include <QString>

#include <functional>
#include <optional>

// One registration with the hot-key service. The registry owns it; the
// centre only keeps a weak reference, by id.
struct HotKey
{
    using Action = std::function<void()>;

    int keyCode = 0;
    int modifiers = 0;
    Action onKeyDown;
    Action onKeyUp;
    Action onRegistrationFailed;  // may be empty
    int id = 0;
    QString name;  // the first name using the shortcut, for desktops that bind by name
    std::optional<HotKeyService::Handle> grabHandle;  // present while grabbed
};
