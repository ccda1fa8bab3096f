#pragma once

#include "platform/linux/shortcuts/DesktopHotKeyService.h"

#include <QDBusConnection>
#include <QStringList>

class EventLog;

// Global shortcuts through KDE's kglobalaccel daemon, for Plasma sessions
// without the GlobalShortcuts portal. Each shortcut is an action of the
// component "app.momentra.Momentra", named after the shortcut's name and set
// to the recorded combination; KDE's System Settings lists it under
// Momentra. kglobalaccel answers with the keys it really gave the action: none
// means another program holds the combination. Letting go marks the action
// inactive, which keeps it in KDE's list without firing.
class KGlobalAccelHotKeyService : public DesktopHotKeyService
{
    Q_OBJECT

public:
    static constexpr const char* kServiceName = "org.kde.kglobalaccel";
    static constexpr const char* kComponent = "app.momentra.Momentra";

    KGlobalAccelHotKeyService(QDBusConnection bus, EventLog& log, QObject* parent = nullptr);

    Result<Handle> registerHotKey(int keyCode, int modifiers, Identifier identifier) override;
    void unregisterHotKey(Handle handle) override;

private Q_SLOTS:
    void onPressed(const QString& component, const QString& action, qlonglong timestamp);
    void onReleased(const QString& component, const QString& action, qlonglong timestamp);

private:
    static QStringList actionId(const Identifier& identifier);
    Result<void> listenToComponent();

    QDBusConnection m_bus;
    EventLog& m_log;
    bool m_listening = false;
};
