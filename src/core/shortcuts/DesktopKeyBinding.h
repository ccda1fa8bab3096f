#pragma once

#include "core/Result.h"
#include "core/shortcuts/Shortcut.h"

#include <QString>

// A shortcut kept in the desktop's own keyboard settings that runs
// `momentra toggle`, for desktops that let no program listen for keys. Some
// desktops let Momentra write it (only ever after the user agreed); on the
// others the user adds the configuration line themselves.
class DesktopKeyBinding
{
public:
    virtual ~DesktopKeyBinding() = default;

    virtual bool canWrite() const = 0;
    // What the user would add to the desktop's configuration by hand.
    virtual QString configurationLine(const KeyboardShortcuts::Shortcut& shortcut) const = 0;
    // Whether Momentra's binding is in the desktop's settings now.
    virtual Result<bool> isWritten() = 0;
    // Adds the binding, or points it at a new combination.
    virtual Result<void> write(const KeyboardShortcuts::Shortcut& shortcut) = 0;
    virtual Result<void> remove() = 0;
};
