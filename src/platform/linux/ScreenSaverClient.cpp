#include "platform/linux/ScreenSaverClient.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace {
constexpr int kTimeoutMs = 500;
}

ScreenSaverClient::ScreenSaverClient(QDBusConnection sessionBus)
    : m_bus(std::move(sessionBus))
{
}

bool ScreenSaverClient::isActive()
{
    if (!m_bus.isConnected())
        return false;
    return ask(QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"))
           || ask(QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/ScreenSaver"))
           || ask(QStringLiteral("org.gnome.ScreenSaver"), QStringLiteral("/org/gnome/ScreenSaver"));
}

bool ScreenSaverClient::ask(const QString& service, const QString& path)
{
    const auto owned = m_bus.interface()->isServiceRegistered(service);
    if (!owned.isValid() || !owned.value())
        return false;
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, service, QStringLiteral("GetActive"));
    message.setAutoStartService(false);
    const QDBusMessage reply = m_bus.call(message, QDBus::Block, kTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
}
