#include "platform/linux/ShellExtensionFrontmostApp.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusVariant>

namespace {
constexpr int kTimeoutMs = 1000;
}

ShellExtensionFrontmostApp::ShellExtensionFrontmostApp(QDBusConnection sessionBus)
    : m_bus(std::move(sessionBus))
{
}

std::optional<QString> ShellExtensionFrontmostApp::frontmostAppId()
{
    QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(kService), QLatin1String(kObjectPath),
                                                       QStringLiteral("org.freedesktop.DBus.Properties"),
                                                       QStringLiteral("Get"));
    call.setArguments({QLatin1String(kInterface), QStringLiteral("AppId")});
    call.setAutoStartService(false);
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, kTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return std::nullopt;
    const QString id = m_resolver.fromAppId(qdbus_cast<QDBusVariant>(reply.arguments().value(0)).variant().toString());
    return id.isEmpty() ? std::nullopt : std::optional<QString>(id);
}
