#pragma once

#include "core/Result.h"
#include "core/shortcuts/Name.h"

#include <functional>

class HotKeyCenter;
class ShortcutRegistry;

// The application's one global shortcut: "toggleCapture", Alt+Shift+S until
// the user records another. Capture toggles when the combination is
// released, not when it is pressed.
class ToggleCaptureShortcut
{
public:
    static KeyboardShortcuts::Name name();

    // Connects the shared hot-key centre to the desktop (once per process),
    // declares the name (storing Alt+Shift+S on first start) and toggles on
    // key-up; with a QApplication running, also follows our own open menus
    // so the shortcut keeps working while one holds the keyboard. A desktop without X11 global shortcuts gives an error message
    // (also logged); the name is declared either way.
    static Result<void> install(std::function<void()> onToggle);
    // The same over a given registry and centre (tests, a second process role).
    static Result<void> install(std::function<void()> onToggle, ShortcutRegistry& registry, HotKeyCenter& center);

private:
    static Result<void> connectDesktop(HotKeyCenter& center);
};
