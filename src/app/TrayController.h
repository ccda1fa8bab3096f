#pragma once

#include "core/status/MenuBarIcon.h"

#include <QElapsedTimer>
#include <QObject>
#include <QRect>

#include <optional>

class EventLog;
class QDBusServiceWatcher;
class QMenu;
class QSystemTrayIcon;
class TrayStatus;

// The tray icon, where the desktop has a tray: a StatusNotifierItem when a
// watcher is on the session bus (KDE, XFCE, Cinnamon, GNOME with the
// AppIndicator extension, most tiling bars), an XEmbed icon on X11 panels
// otherwise. Its look, tooltip and accessible title follow the status. With
// no tray at all it says so once in the log and waits for a watcher to
// appear (a panel that starts after Momentra at login). Whether there is a
// tray is never stored: every launch looks again.
class TrayController : public QObject
{
    Q_OBJECT

public:
    static constexpr const char* kWatcherService = "org.kde.StatusNotifierWatcher";

    TrayController(TrayStatus& status, QMenu& menu, EventLog& log, QObject* parent = nullptr);
    ~TrayController() override;

    // Shows the icon where a tray exists.
    void start();
    bool hasIcon() const { return m_icon != nullptr; }
    QSystemTrayIcon* icon() const { return m_icon; }

Q_SIGNALS:
    // A left click on the icon (a double click counts once). The icon's
    // geometry comes along where the tray reports it (XEmbed).
    void clicked(std::optional<QRect> iconGeometry);
    void iconShown();

private:
    bool watcherIsRegistered() const;
    void showIcon();
    void refresh();

    TrayStatus& m_status;
    QMenu& m_menu;
    EventLog& m_log;
    QSystemTrayIcon* m_icon = nullptr;
    QDBusServiceWatcher* m_watcher = nullptr;
    QElapsedTimer m_sinceClick;
    std::optional<MenuBarIcon::State> m_shown;
};
