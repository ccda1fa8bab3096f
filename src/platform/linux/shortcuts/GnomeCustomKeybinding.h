#pragma once

#include "core/shortcuts/DesktopKeyBinding.h"
#include "platform/linux/shortcuts/GSettingsTool.h"

#include <QList>

#include <functional>

// Momentra's custom keyboard shortcut in GNOME's keyboard settings: a
// relocatable media-keys "custom-keybinding" at a path of our own (name,
// command, binding), listed in the media-keys "custom-keybindings" list.
// GNOME shows it in Settings › Keyboard › Custom Shortcuts, where the user
// can change or delete it. Shortcuts of other programs in the list are left
// as they are. Each request reads the list once.
class GnomeCustomKeybinding : public DesktopKeyBinding
{
    Q_OBJECT

public:
    static constexpr const char* kPath = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/momentra/";

    // command: what the shortcut runs (the executable's path and "toggle").
    explicit GnomeCustomKeybinding(QString command, QObject* parent = nullptr);

    bool canWrite() const override { return true; }
    QString configurationLine(const KeyboardShortcuts::Shortcut& shortcut) const override;
    void refresh() override;
    void write(const KeyboardShortcuts::Shortcut& shortcut) override;
    void remove() override;

protected:
    void shortcutChanged(const std::optional<KeyboardShortcuts::Shortcut>& shortcut) override;

private:
    using Request = std::function<void()>;
    void enqueue(Request request);
    void finish(State state, const QString& problem = {});
    // Reads the list, then goes on with it (or finishes with the failure).
    void withList(std::function<void(QStringList list)> next);
    void writeWith(const KeyboardShortcuts::Shortcut& shortcut, QStringList list);
    void removeWith(QStringList list);

    QString m_command;
    GSettingsTool m_settings;
    QList<Request> m_queue;
};
