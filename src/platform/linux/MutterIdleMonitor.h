#pragma once

#include "platform/linux/IdleSource.h"

#include <QDBusConnection>

// GNOME's idle time: org.gnome.Mutter.IdleMonitor's GetIdletime on the
// session bus (the core monitor, all input devices), asked when the gate asks.
class MutterIdleMonitor : public IdleSource
{
public:
    explicit MutterIdleMonitor(QDBusConnection sessionBus);

    std::optional<double> secondsSinceLastInput() override;

private:
    QDBusConnection m_bus;
};
