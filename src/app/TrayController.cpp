#include "app/TrayController.h"

#include "core/log/EventLog.h"
#include "core/status/TrayStatus.h"
#include "platform/linux/x11/XEmbedTray.h"
#include "ui/TrayIcons.h"

#include <QApplication>
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
    return bus.isConnected() && bus.interface()->isServiceRegistered(QLatin1String(kWatcherService));
}

// Qt decides between StatusNotifierItem and XEmbed once, when it is first
// asked, so nothing here asks Qt before a tray is known to exist.
void TrayController::start()
{
    if (watcherIsRegistered() || XEmbedTray::isAvailable()) {
        showIcon();
        return;
    }
    m_log.log(QStringLiteral("No system tray (no StatusNotifierItem watcher, no XEmbed tray): the panel opens as a "
                             "window"),
              EventLog::kApp);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    m_watcher = new QDBusServiceWatcher(QLatin1String(kWatcherService), bus, QDBusServiceWatcher::WatchForRegistration,
                                        this);
    connect(m_watcher, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        m_log.log(QStringLiteral("A system tray appeared"), EventLog::kApp);
        m_watcher->deleteLater();
        m_watcher = nullptr;
        showIcon();
    });
}

void TrayController::showIcon()
{
    if (m_icon)
        return;
    m_icon = new QSystemTrayIcon(this);
    m_icon->setContextMenu(&m_menu);
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason != QSystemTrayIcon::Trigger)
            return;
        if (m_sinceClick.isValid() && m_sinceClick.elapsed() < QApplication::doubleClickInterval())
            return;
        m_sinceClick.start();
        const QRect geometry = m_icon->geometry();
        Q_EMIT clicked(geometry.isValid() && !geometry.isEmpty() ? std::optional<QRect>(geometry) : std::nullopt);
    });
    refresh();
    m_icon->show();
    Q_EMIT iconShown();
}

void TrayController::refresh()
{
    if (!m_icon)
        return;
    const MenuBarIcon::State state = m_status.state();
    if (m_shown == state)
        return;  // a new count or time changes nothing here
    m_shown = state;
    m_icon->setIcon(TrayIcons::icon(state, TrayIcons::panelWantsSymbolic()));
    m_icon->setToolTip(MenuBarIcon::title(state));
}
