#pragma once

#include "core/shortcuts/DesktopKeyBinding.h"
#include "platform/linux/shortcuts/GSettingsTool.h"

// Momentra's custom keyboard shortcut in GNOME's keyboard settings: a
// relocatable media-keys "custom-keybinding" at a path of our own (name,
// command, binding), listed in the media-keys "custom-keybindings" list.
// GNOME shows it in Settings › Keyboard › Custom Shortcuts, where the user
// can change or delete it. Shortcuts of other programs in the list are left
// as they are.
class GnomeCustomKeybinding : public DesktopKeyBinding
{
public:
    static constexpr const char* kPath = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/momentra/";

    // command: what the shortcut runs (the executable's path and "toggle").
    explicit GnomeCustomKeybinding(QString command);

    bool canWrite() const override { return true; }
    QString configurationLine(const KeyboardShortcuts::Shortcut& shortcut) const override;
    Result<bool> isWritten() override;
    Result<void> write(const KeyboardShortcuts::Shortcut& shortcut) override;
    Result<void> remove() override;

private:
    Result<QStringList> listed() const;
    Result<void> setBindingKey(const QString& key, const QString& value) const;

    QString m_command;
    GSettingsTool m_settings;
};
