#pragma once

#include "core/shortcuts/HotKeyService.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QStringList>

class EventLog;

// Global shortcuts through KDE's kglobalaccel daemon, for Plasma sessions
// without the GlobalShortcuts portal. Each shortcut is an action of the
// component "app.momentra.Momentra", named after the shortcut's name and set
// to the recorded combination; KDE's System Settings lists it under
// Momentra. kglobalaccel answers with the keys it really gave the action: none
// means another program holds the combination. Letting go marks the action
// inactive, which keeps it in KDE's list without firing.
class KGlobalAccelHotKeyService : public QObject, public HotKeyService
{
    Q_OBJECT

public:
    static constexpr const char* kComponent = "app.momentra.Momentra";

    KGlobalAccelHotKeyService(QDBusConnection bus, EventLog& log, QObject* parent = nullptr);

    // Whether kglobalaccel is on the session bus, or can be started there.
    static bool isOffered(QDBusConnection bus);

    void installEventHandler(Handlers handlers) override { m_handlers = std::move(handlers); }
    Result<Handle> registerHotKey(int keyCode, int modifiers, Identifier identifier) override;
    void unregisterHotKey(Handle handle) override;
    void setHotKeyEventsEnabled(bool enabled) override { m_hotKeyEventsEnabled = enabled; }
    void setRawKeyEventsEnabled(bool) override {}
    bool isDesktopManaged() const override { return true; }

private Q_SLOTS:
    void onPressed(const QString& component, const QString& action, qlonglong timestamp);
    void onReleased(const QString& component, const QString& action, qlonglong timestamp);

private:
    struct Registration
    {
        Identifier identifier;
        int keyCode = 0;
        int modifiers = 0;
    };

    static QStringList actionId(const Identifier& identifier);
    Result<void> listenToComponent();
    void deliver(EventKind kind, const QString& component, const QString& action);

    QDBusConnection m_bus;
    EventLog& m_log;
    Handlers m_handlers;
    bool m_hotKeyEventsEnabled = false;
    bool m_listening = false;
    Handle m_lastHandle = 0;
    QHash<Handle, Registration> m_registrations;
};
