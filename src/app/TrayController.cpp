#include "app/TrayController.h"

#include "core/log/EventLog.h"
#include "core/status/TrayStatus.h"
#include "platform/linux/tray/DBusMenuExporter.h"
#include "platform/linux/tray/StatusNotifierItem.h"
#include "platform/linux/x11/XEmbedTray.h"
#include "ui/TrayIcons.h"

#include <QApplication>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QMenu>
#include <QSystemTrayIcon>

TrayController::TrayController(TrayStatus& status, QMenu& menu, EventLog& log, QObject* parent)
    : QObject(parent)
    , m_status(status)
    , m_menu(menu)
    , m_log(log)
{
    connect(&m_status, &TrayStatus::changed, this, &TrayController::refresh);
}

TrayController::~TrayController() = default;

bool TrayController::watcherIsRegistered() const
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected()
           && bus.interface()->isServiceRegistered(QLatin1String(StatusNotifierItem::kWatcherService));
}

// Qt's own StatusNotifierItem always sends the application's name as the
// title, so Momentra speaks the protocol itself and leaves Qt the XEmbed
// trays. Qt decides between the two once, when it is first asked, so nothing
// here asks Qt before an XEmbed tray is known to exist.
void TrayController::start()
{
    watchForWatcher();
    if (watcherIsRegistered())
        showItem();
    else if (XEmbedTray::isAvailable())
        showXEmbedIcon();
    else
        m_log.log(QStringLiteral("No system tray (no StatusNotifierItem watcher, no XEmbed tray): the panel opens as "
                                 "a window"),
                  EventLog::kApp);
}

// A watcher that appears later (a panel started after Momentra) gets the
// item, in place of an XEmbed icon if there was one.
void TrayController::watchForWatcher()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    m_watcher = new QDBusServiceWatcher(QLatin1String(StatusNotifierItem::kWatcherService), bus,
                                        QDBusServiceWatcher::WatchForRegistration, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        if (m_item)
            return;
        m_log.log(QStringLiteral("A system tray appeared"), EventLog::kApp);
        showItem();
    });
}

void TrayController::showItem()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    m_item = new StatusNotifierItem(bus, m_log, this);
    m_menuExporter = new DBusMenuExporter(
        m_menu, [this] { return m_menu.actions(); }, this);
    if (m_menuExporter->publish(bus, QLatin1String(kMenuPath)))
        m_item->setMenu(QLatin1String(kMenuPath));
    const bool symbolic = TrayIcons::panelWantsSymbolic();
    m_item->setAttentionIcon(themeName(MenuBarIcon::State::NeedsAttention, symbolic),
                             TrayIcons::icon(MenuBarIcon::State::NeedsAttention, symbolic));
    connect(m_item, &StatusNotifierItem::activated, this, [this] { iconClicked(std::nullopt); });
    connect(m_item, &StatusNotifierItem::contextMenuRequested, this,
            [this](QPoint at) { m_menu.popup(at.isNull() ? QCursor::pos() : at); });
    delete m_icon;  // the XEmbed icon gives way
    m_icon = nullptr;
    m_shown.reset();
    refresh();
    if (!m_item->publish()) {
        delete m_item;
        delete m_menuExporter;
        m_item = nullptr;
        m_menuExporter = nullptr;
        return;
    }
    if (m_watcher)
        m_watcher->deleteLater();  // the item registers again by itself
    m_watcher = nullptr;
    Q_EMIT iconShown();
}

void TrayController::showXEmbedIcon()
{
    m_icon = new QSystemTrayIcon(this);
    m_icon->setContextMenu(&m_menu);
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        const QRect geometry = m_icon->geometry();
        if (reason == QSystemTrayIcon::Trigger)
            iconClicked(geometry.isValid() && !geometry.isEmpty() ? std::optional<QRect>(geometry) : std::nullopt);
    });
    refresh();
    m_icon->show();
    Q_EMIT iconShown();
}

// A double click counts once.
void TrayController::iconClicked(std::optional<QRect> geometry)
{
    if (m_sinceClick.isValid() && m_sinceClick.elapsed() < QApplication::doubleClickInterval())
        return;
    m_sinceClick.start();
    Q_EMIT clicked(geometry);
}

QString TrayController::themeName(MenuBarIcon::State state, bool symbolic)
{
    const QString name = MenuBarIcon::iconName(state, symbolic);
    return QIcon::hasThemeIcon(name) ? name : QString();
}

void TrayController::refresh()
{
    const MenuBarIcon::State state = m_status.state();
    if (m_shown == state)
        return;  // a new count or time changes nothing here
    m_shown = state;
    const bool symbolic = TrayIcons::panelWantsSymbolic();
    const QIcon icon = TrayIcons::icon(state, symbolic);
    const QString title = MenuBarIcon::title(state);
    if (m_item) {
        m_item->setTitle(title);
        m_item->setToolTip(title, {});
        m_item->setIcon(themeName(state, symbolic), icon);
        // Idle stays Active: Passive items are tucked away, and the icon is
        // how the user starts capture.
        m_item->setStatus(state == MenuBarIcon::State::NeedsAttention ? StatusNotifierItem::ItemStatus::NeedsAttention
                                                                      : StatusNotifierItem::ItemStatus::Active);
    }
    if (m_icon) {
        m_icon->setIcon(icon);
        m_icon->setToolTip(title);
    }
}
