#pragma once

#include "core/shortcuts/HotKey.h"
#include "core/shortcuts/Name.h"
#include "core/shortcuts/Shortcut.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class EventLog;
class HotKeyCenter;
class Preferences;

// The named-shortcut registry: each name's shortcut lives in the settings
// file under "KeyboardShortcuts_<name>" (the JSON text of the shortcut, or
// false once the user cleared a name that has an initial shortcut); actions
// are attached per name for key-down and key-up; every distinct shortcut in
// use is registered once with the hot-key centre, however many names share it.
// Main thread only.
class ShortcutRegistry : public QObject
{
    Q_OBJECT

public:
    using Name = KeyboardShortcuts::Name;
    using Shortcut = KeyboardShortcuts::Shortcut;
    using Action = std::function<void()>;

    ShortcutRegistry(Preferences& preferences, HotKeyCenter& center, EventLog& log, QObject* parent = nullptr);
    ~ShortcutRegistry() override;

    // Stores the initial shortcut when the settings file has no entry for
    // the name yet. Every other call declares its name on first sight.
    void declare(const Name& name);

    std::optional<Shortcut> shortcut(const Name& name);
    void setShortcut(const std::optional<Shortcut>& shortcut, const Name& name);

    void onKeyDown(const Name& name, Action action);
    void onKeyUp(const Name& name, Action action);

    bool isEnabled() const { return m_isEnabled; }
    void setEnabled(bool enabled);
    bool isPaused() const { return m_isPaused; }
    void setPaused(bool paused);
    // Called by a recorder when it starts or stops recording: pauses the
    // shortcuts and announces it.
    void setRecorderActive(bool active);

    HotKeyCenter& center() const { return m_center; }

Q_SIGNALS:
    void shortcutByNameDidChange(const KeyboardShortcuts::Name& name);
    void recorderActiveStatusDidChange(bool isActive);
    // The desktop refused a shortcut (another program holds it). The stored
    // shortcut stays; it is tried again the next time shortcuts resume.
    void registrationFailed(const KeyboardShortcuts::Shortcut& shortcut, const QString& message);

private:
    bool hasHandlers(const QString& rawValue) const;
    bool isUsedByOtherNameWithHandlers(const Shortcut& shortcut, const QString& rawValue);
    void addAction(const Name& name, KeyboardShortcuts::EventType type, Action action);
    void registerShortcut(const Shortcut& shortcut);
    void unregisterShortcut(const Shortcut& shortcut);
    void dispatch(const Shortcut& shortcut, KeyboardShortcuts::EventType type);
    void updateCenter();
    void storedValueChanged(const QString& key);

    Preferences& m_preferences;
    HotKeyCenter& m_center;
    EventLog& m_log;
    QHash<QString, Name> m_declared;
    QStringList m_namesWithHandlers;  // in the order their first action arrived
    QHash<QString, QList<Action>> m_keyDownActions;
    QHash<QString, QList<Action>> m_keyUpActions;
    QHash<Shortcut, std::shared_ptr<HotKey>> m_hotKeys;
    bool m_isEnabled = true;
    bool m_isPaused = false;
    bool m_writing = false;  // our own write: its change notice is no news
};
