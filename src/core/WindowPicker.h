#pragma once

#include "core/Result.h"

#include <QString>

#include <functional>

// Lets the user click any window on the screen and tells which application
// it belongs to.
class WindowPicker
{
public:
    virtual ~WindowPicker() = default;

    // Starts picking and returns at once; `done` runs later, once, on the
    // calling thread, with the desktop-file id of the clicked window's
    // application ("org.gnome.Terminal"), an empty id when the user gave up
    // (Escape, another button, the bare desktop), or why no window could be
    // picked.
    virtual void pick(std::function<void(const Result<QString>&)> done) = 0;
};
