#pragma once

#include "core/shortcuts/DesktopKeyBinding.h"

// sway lets no program bind keys, and its configuration file is the user's:
// Momentra only shows the bindsym line to add there.
class SwayBindingLine : public DesktopKeyBinding
{
public:
    // command: what the shortcut runs (the executable's path and "toggle").
    explicit SwayBindingLine(QString command, QObject* parent = nullptr)
        : DesktopKeyBinding(parent)
        , m_command(std::move(command))
    {
    }

    bool canWrite() const override { return false; }
    // "bindsym Alt+Shift+s exec /usr/bin/momentra toggle"; empty for a key sway has no name for.
    QString configurationLine(const KeyboardShortcuts::Shortcut& shortcut) const override;

private:
    QString m_command;
};
