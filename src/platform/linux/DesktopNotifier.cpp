#include "platform/linux/DesktopNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QStringList>
#include <QVariantMap>

DesktopNotifier::DesktopNotifier(QDBusConnection sessionBus)
    : m_bus(std::move(sessionBus))
{
}

void DesktopNotifier::notify(const QString& summary, const QString& body)
{
    if (!m_bus.isConnected())
        return;
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("app.momentra.Momentra")}};
    message << QStringLiteral("Momentra") << uint(0) << QStringLiteral("app.momentra.Momentra") << summary << body
            << QStringList() << hints << int(-1);
    m_bus.asyncCall(message);
}
