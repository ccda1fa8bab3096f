#pragma once

#include "core/Notifier.h"

#include <QDBusConnection>
#include <QString>

// Desktop notifications through org.freedesktop.Notifications. The call is
// asynchronous and never blocks.
class DesktopNotifier : public Notifier
{
public:
    explicit DesktopNotifier(QDBusConnection sessionBus);

    void notify(const QString& summary, const QString& body) override;

private:
    QDBusConnection m_bus;
};
