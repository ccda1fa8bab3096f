#include "platform/linux/MutterIdleMonitor.h"

#include <QDBusMessage>

namespace {
constexpr int kTimeoutMs = 1000;
}

MutterIdleMonitor::MutterIdleMonitor(QDBusConnection sessionBus)
    : m_bus(std::move(sessionBus))
{
}

std::optional<double> MutterIdleMonitor::secondsSinceLastInput()
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.gnome.Mutter.IdleMonitor"), QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"),
        QStringLiteral("org.gnome.Mutter.IdleMonitor"), QStringLiteral("GetIdletime"));
    call.setAutoStartService(false);
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, kTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().value(0).typeId() != QMetaType::ULongLong)
        return std::nullopt;
    return reply.arguments().value(0).toULongLong() / 1000.0;
}
