#include "platform/linux/updates/DesktopUpdateNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kActionKey = QStringLiteral("install-or-open");

}  // namespace

DesktopUpdateNotifier::DesktopUpdateNotifier(QDBusConnection sessionBus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(sessionBus))
{
    if (!m_bus.isConnected())
        return;
    m_bus.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this, SLOT(actionInvoked(uint, QString)));
    m_bus.connect(kService, kPath, kService, QStringLiteral("NotificationClosed"), this, SLOT(closed(uint, uint)));
}

void DesktopUpdateNotifier::notify(const QString& summary, const QString& body, const QString& actionLabel,
                                   std::function<void()> action)
{
    if (!m_bus.isConnected())
        return;
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("app.momentra.Momentra")},
                            {QStringLiteral("category"), QStringLiteral("x-momentra.update")}};
    const QStringList actions{QStringLiteral("default"), actionLabel, kActionKey, actionLabel};
    message << QStringLiteral("Momentra") << uint(0) << QStringLiteral("software-update-available") << summary << body
            << actions << hints << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, action = std::move(action)]() mutable {
        watcher->deleteLater();
        const QDBusPendingReply<uint> reply = *watcher;
        if (reply.isValid())
            m_actions.insert(reply.value(), std::move(action));
    });
}

void DesktopUpdateNotifier::actionInvoked(uint id, const QString& key)
{
    if (key != kActionKey && key != QLatin1String("default"))
        return;
    const std::function<void()> action = m_actions.take(id);
    if (action)
        action();
}

void DesktopUpdateNotifier::closed(uint id, uint /*reason*/)
{
    // The desktop closes a notification after its action too; that one is handled already.
    m_actions.remove(id);
}
