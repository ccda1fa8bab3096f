#pragma once

#include "core/Result.h"
#include "core/shortcuts/Name.h"

#include <functional>

class ShortcutRegistry;

// The application's one global shortcut: "toggleCapture", Alt+Shift+S until
// the user records another. Capture toggles when the combination is
// released, not when it is pressed.
class ToggleCaptureShortcut
{
public:
    static KeyboardShortcuts::Name name();

    // Declares the name (storing Alt+Shift+S on first start) and toggles on
    // key-up. `desktop` says whether the registry's hot-key centre reaches
    // the desktop's global shortcuts (the root logged why not); when it does
    // not, it is returned, and the name is declared all the same.
    static Result<void> install(std::function<void()> onToggle, ShortcutRegistry& registry,
                                const Result<void>& desktop);
};
