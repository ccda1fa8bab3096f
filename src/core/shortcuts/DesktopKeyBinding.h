#pragma once

#include "core/shortcuts/Name.h"
#include "core/shortcuts/Shortcut.h"

#include <QObject>
#include <QString>

#include <optional>

class ShortcutRegistry;

// A shortcut kept in the desktop's own keyboard settings that runs
// `momentra toggle`, for desktops that let no program listen for keys. Some
// desktops let Momentra write it (only ever after the user agreed); on the
// others the user adds the configuration line themselves. The desktop's
// settings are asked without waiting, one request after the other; each
// ends in `answered`, after which state() and problem() tell its outcome.
class DesktopKeyBinding : public QObject
{
    Q_OBJECT

public:
    enum class State {
        Unknown,  // not asked yet, or the desktop's settings could not be read
        Absent,
        Written,
    };

    explicit DesktopKeyBinding(QObject* parent = nullptr)
        : QObject(parent)
    {
    }

    virtual bool canWrite() const = 0;
    // What the user would add to the desktop's configuration by hand.
    virtual QString configurationLine(const KeyboardShortcuts::Shortcut& shortcut) const = 0;

    State state() const { return m_state; }
    // Why the last request failed; empty when it did not.
    QString problem() const { return m_problem; }
    bool isBusy() const { return m_busy; }

    // Asks whether Momentra's binding is in the desktop's settings now.
    virtual void refresh() {}
    // Adds the binding, or points it at a new combination.
    virtual void write(const KeyboardShortcuts::Shortcut& shortcut) { (void)shortcut; }
    virtual void remove() {}

    // From now on a binding that is in the desktop's settings follows the
    // registry's combination for `name`: rewritten when it changes, removed
    // when it is cleared. A binding that is not there stays out.
    void follow(ShortcutRegistry& registry, KeyboardShortcuts::Name name);

Q_SIGNALS:
    void answered();

protected:
    // The combination `follow` watches changed (nullopt: cleared).
    virtual void shortcutChanged(const std::optional<KeyboardShortcuts::Shortcut>& shortcut) { (void)shortcut; }
    void setBusy(bool busy) { m_busy = busy; }
    // A request's outcome: what the desktop's settings hold, and why it failed.
    void answer(State state, const QString& problem = {});

private:
    State m_state = State::Unknown;
    QString m_problem;
    bool m_busy = false;
};
