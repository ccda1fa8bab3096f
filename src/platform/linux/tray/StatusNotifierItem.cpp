#include "platform/linux/tray/StatusNotifierItem.h"

#include "core/log/EventLog.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QIcon>

namespace {

// The bus name the first item of a process takes, as hosts expect it.
QString itemServiceName()
{
    return QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(QCoreApplication::applicationPid());
}

}  // namespace

StatusNotifierItem::StatusNotifierItem(QDBusConnection bus, EventLog& log, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_log(log)
{
    registerTrayWireTypes();
}

StatusNotifierItem::~StatusNotifierItem()
{
    if (m_service.isEmpty())
        return;
    m_bus.unregisterObject(QLatin1String(kPath));
    if (m_service != m_bus.baseService())
        m_bus.unregisterService(m_service);
}

bool StatusNotifierItem::publish()
{
    if (!m_bus.registerObject(QLatin1String(kPath), this, QDBusConnection::ExportScriptableContents)) {
        m_log.logError(QStringLiteral("Couldn't put the tray item on the session bus: ") + m_bus.lastError().message(),
                       EventLog::kApp);
        return false;
    }
    // Without a name of its own the item is still reachable by the
    // connection's unique name.
    m_service = m_bus.registerService(itemServiceName()) ? itemServiceName() : m_bus.baseService();
    m_watcher = new QDBusServiceWatcher(QLatin1String(kWatcherService), m_bus,
                                        QDBusServiceWatcher::WatchForRegistration, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceRegistered, this, &StatusNotifierItem::registerWithWatcher);
    registerWithWatcher();
    return true;
}

void StatusNotifierItem::registerWithWatcher()
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QLatin1String(kWatcherService), QStringLiteral("/StatusNotifierWatcher"), QLatin1String(kWatcherService),
        QStringLiteral("RegisterStatusNotifierItem"));
    call << m_service;
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        const QDBusPendingReply<> reply = *finished;
        if (reply.isError())
            m_log.logError(QStringLiteral("The system tray refused Momentra's icon: ") + reply.error().message(),
                           EventLog::kApp);
    });
}

void StatusNotifierItem::setTitle(const QString& title)
{
    if (title == m_title)
        return;
    m_title = title;
    Q_EMIT NewTitle();
}

void StatusNotifierItem::setStatus(ItemStatus status)
{
    if (status == m_status)
        return;
    m_status = status;
    Q_EMIT NewStatus(statusName());
}

void StatusNotifierItem::setIcon(const QString& themeName, const QIcon& icon)
{
    SniPixmapList pixmaps = sniPixmaps(icon);
    if (themeName == m_iconName && pixmaps == m_iconPixmap)
        return;
    m_iconName = themeName;
    m_iconPixmap = std::move(pixmaps);
    Q_EMIT NewIcon();
    Q_EMIT NewToolTip();  // the tooltip shows the icon too
}

void StatusNotifierItem::setAttentionIcon(const QString& themeName, const QIcon& icon)
{
    SniPixmapList pixmaps = sniPixmaps(icon);
    if (themeName == m_attentionIconName && pixmaps == m_attentionIconPixmap)
        return;
    m_attentionIconName = themeName;
    m_attentionIconPixmap = std::move(pixmaps);
    Q_EMIT NewAttentionIcon();
}

void StatusNotifierItem::setToolTip(const QString& title, const QString& text)
{
    if (title == m_toolTipTitle && text == m_toolTipText)
        return;
    m_toolTipTitle = title;
    m_toolTipText = text;
    Q_EMIT NewToolTip();
}

void StatusNotifierItem::setMenu(const QString& objectPath)
{
    m_menu = QDBusObjectPath(objectPath);
}

QString StatusNotifierItem::statusName() const
{
    switch (m_status) {
    case ItemStatus::Passive:
        return QStringLiteral("Passive");
    case ItemStatus::NeedsAttention:
        return QStringLiteral("NeedsAttention");
    case ItemStatus::Active:
        break;
    }
    return QStringLiteral("Active");
}

SniToolTip StatusNotifierItem::toolTip() const
{
    return {m_iconName, m_iconPixmap, m_toolTipTitle, m_toolTipText};
}

void StatusNotifierItem::Activate(int x, int y)
{
    Q_EMIT activated(QPoint(x, y));
}

// A middle click does nothing.
void StatusNotifierItem::SecondaryActivate(int, int)
{
}

void StatusNotifierItem::ContextMenu(int x, int y)
{
    Q_EMIT contextMenuRequested(QPoint(x, y));
}

// Scrolling over the item does nothing.
void StatusNotifierItem::Scroll(int, const QString&)
{
}
