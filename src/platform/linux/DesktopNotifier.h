#pragma once

#include <QDBusConnection>
#include <QString>

// Posts desktop notifications through org.freedesktop.Notifications. The
// call is asynchronous and never blocks; without a notification service
// nothing is shown and nothing breaks.
class DesktopNotifier
{
public:
    explicit DesktopNotifier(QDBusConnection sessionBus);

    void notify(const QString& summary, const QString& body);

private:
    QDBusConnection m_bus;
};
