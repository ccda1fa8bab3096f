#pragma once

#include "platform/linux/shortcuts/DesktopHotKeyService.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QHash>
#include <QVariantMap>

#include <chrono>

class EventLog;

// Global shortcuts through the desktop portal (org.freedesktop.portal.
// GlobalShortcuts: KDE Plasma, newer GNOME, Hyprland). One portal session
// for the process; each shortcut is bound by its name ("toggleCapture") with
// the recorded combination as the preferred trigger. The desktop decides the
// real trigger, may ask the user first, and remembers it between runs, so a
// binding is only asked for again when its preferred trigger changes.
// Activated reports a press, Deactivated a release.
//
// The portal keeps a binding after we let go of it (while a recorder
// records): its activations are dropped until it is registered again.
class PortalHotKeyService : public DesktopHotKeyService
{
    Q_OBJECT

public:
    static constexpr std::chrono::seconds kSessionTimeout{30};
    static constexpr std::chrono::seconds kBindTimeout{300};  // the desktop may ask the user

    PortalHotKeyService(QDBusConnection bus, EventLog& log, QObject* parent = nullptr);

    // Whether the session bus has a portal with the GlobalShortcuts interface;
    // `start`: whether to start the portal when it does not run yet.
    static bool isOffered(QDBusConnection bus, bool start = true);

    Result<Handle> registerHotKey(int keyCode, int modifiers, Identifier identifier) override;
    void unregisterHotKey(Handle handle) override { take(handle); }

    // What the desktop says triggers the binding ("Press Alt+Shift+S"); empty until it answered.
    QString triggerDescription(const QString& id) const { return m_triggerDescriptions.value(id); }

Q_SIGNALS:
    // The portal answered a request to bind (whatever the answer).
    void bindingAnswered();

private Q_SLOTS:
    void onActivated(const QDBusMessage& signal);
    void onDeactivated(const QDBusMessage& signal);

private:
    void scheduleBind();
    void bind();
    void createSession();
    void bindShortcuts();
    void deliverSignal(EventKind kind, const QDBusMessage& signal);

    QDBusConnection m_bus;
    EventLog& m_log;
    QHash<QString, QString> m_asked;  // binding id → the preferred trigger last asked for
    QHash<QString, QString> m_triggerDescriptions;
    QString m_session;    // the session's object path, once created
    bool m_busy = false;  // a request is on its way
    bool m_bindPending = false;
    bool m_failed = false;  // the session could not be created: said once
};
