#pragma once

#include "core/shortcuts/HotKeyService.h"

#include <functional>
#include <optional>

// One registration with the hot-key service. The registry owns it; the
// centre only keeps a weak reference, by id.
struct HotKey
{
    using Action = std::function<void()>;

    int carbonKeyCode = 0;
    int carbonModifiers = 0;
    Action onKeyDown;
    Action onKeyUp;
    Action onRegistrationFailed;  // may be empty
    int id = 0;
    std::optional<HotKeyService::Handle> eventHotKeyRef;  // present while grabbed
};
