#pragma once

#include "core/status/MenuBarIcon.h"

#include <QElapsedTimer>
#include <QObject>
#include <QRect>

#include <optional>

class DBusMenuExporter;
class EventLog;
class QDBusServiceWatcher;
class QMenu;
class QSystemTrayIcon;
class StatusNotifierItem;
class TrayStatus;

// The tray icon, where the desktop has a tray: our own StatusNotifierItem,
// with the menu exported over dbusmenu, when a watcher is on the session bus
// (KDE, XFCE, Cinnamon, GNOME with the AppIndicator extension, most tiling
// bars), at launch or later; a QSystemTrayIcon only for XEmbed trays of X11
// panels without one. Its look, title, tooltip and accessible title follow
// the status. With no tray at all it says so once in the log and waits for a
// watcher to appear (a panel that starts after Momentra at login). Whether
// there is a tray is never stored: every launch looks again.
class TrayController : public QObject
{
    Q_OBJECT

public:
    TrayController(TrayStatus& status, QMenu& menu, EventLog& log, QObject* parent = nullptr);
    ~TrayController() override;

    // Shows the icon where a tray exists.
    void start();
    bool hasIcon() const { return m_item != nullptr || m_icon != nullptr; }

Q_SIGNALS:
    // A left click on the icon (a double click counts once). The icon's
    // geometry comes along where the tray reports it (XEmbed).
    void clicked(std::optional<QRect> iconGeometry);
    void iconShown();

private:
    static constexpr const char* kMenuPath = "/MenuBar";

    static QString themeName(MenuBarIcon::State state, bool symbolic);
    bool watcherIsRegistered() const;
    void watchForWatcher();
    void showItem();
    void showXEmbedIcon();
    void iconClicked(std::optional<QRect> geometry);
    void refresh();

    TrayStatus& m_status;
    QMenu& m_menu;
    EventLog& m_log;
    StatusNotifierItem* m_item = nullptr;
    DBusMenuExporter* m_menuExporter = nullptr;
    QSystemTrayIcon* m_icon = nullptr;
    QDBusServiceWatcher* m_watcher = nullptr;
    QElapsedTimer m_sinceClick;
    std::optional<MenuBarIcon::State> m_shown;
};
