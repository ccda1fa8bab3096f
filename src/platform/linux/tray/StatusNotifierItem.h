#pragma once

#include "platform/linux/tray/TrayWireTypes.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QPoint>

class EventLog;
class QDBusServiceWatcher;
class QIcon;

// Our tray item as org.kde.StatusNotifierItem on the session bus: the item
// object under its own bus name, registered with the StatusNotifierWatcher
// and registered again whenever a watcher (re)appears, as a panel that
// restarts needs. Its D-Bus face is the scriptable part of this class; the
// host learns of a change through NewTitle, NewIcon, NewToolTip and
// NewStatus, each sent only when its part really changed.
class StatusNotifierItem : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ statusName)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconThemePath READ iconThemePath)
    Q_PROPERTY(QString IconName READ iconName)
    Q_PROPERTY(SniPixmapList IconPixmap READ iconPixmap)
    Q_PROPERTY(QString AttentionIconName READ attentionIconName)
    Q_PROPERTY(SniPixmapList AttentionIconPixmap READ attentionIconPixmap)
    Q_PROPERTY(QString OverlayIconName READ overlayIconName)
    Q_PROPERTY(SniPixmapList OverlayIconPixmap READ overlayIconPixmap)
    Q_PROPERTY(SniToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)

public:
    static constexpr const char* kWatcherService = "org.kde.StatusNotifierWatcher";
    static constexpr const char* kPath = "/StatusNotifierItem";

    enum class ItemStatus {
        Passive,
        Active,
        NeedsAttention,
    };

    StatusNotifierItem(QDBusConnection bus, EventLog& log, QObject* parent = nullptr);
    ~StatusNotifierItem() override;

    // Puts the item on the bus and registers it with the watcher; false
    // (with a log line) when the object cannot be exported.
    bool publish();
    QString serviceName() const { return m_service; }

    void setTitle(const QString& title);
    void setStatus(ItemStatus status);
    // The theme name (empty when the host's theme would not find it) and the
    // images for hosts without it; the attention icon shows in NeedsAttention.
    void setIcon(const QString& themeName, const QIcon& icon);
    void setAttentionIcon(const QString& themeName, const QIcon& icon);
    void setToolTip(const QString& title, const QString& text);
    void setMenu(const QString& objectPath);

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return QStringLiteral("momentra"); }
    QString title() const { return m_title; }
    QString statusName() const;
    int windowId() const { return 0; }
    QString iconThemePath() const { return {}; }
    QString iconName() const { return m_iconName; }
    SniPixmapList iconPixmap() const { return m_iconPixmap; }
    QString attentionIconName() const { return m_attentionIconName; }
    SniPixmapList attentionIconPixmap() const { return m_attentionIconPixmap; }
    QString overlayIconName() const { return {}; }
    SniPixmapList overlayIconPixmap() const { return {}; }
    SniToolTip toolTip() const;
    bool itemIsMenu() const { return false; }
    QDBusObjectPath menu() const { return m_menu; }

public Q_SLOTS:
    Q_SCRIPTABLE void Activate(int x, int y);
    Q_SCRIPTABLE void SecondaryActivate(int x, int y);
    Q_SCRIPTABLE void ContextMenu(int x, int y);
    Q_SCRIPTABLE void Scroll(int delta, const QString& orientation);

Q_SIGNALS:
    Q_SCRIPTABLE void NewTitle();
    Q_SCRIPTABLE void NewIcon();
    Q_SCRIPTABLE void NewAttentionIcon();
    Q_SCRIPTABLE void NewToolTip();
    Q_SCRIPTABLE void NewStatus(const QString& status);

    // A primary click on the item, at the pointer's screen position as the
    // host reports it (0, 0 where it cannot tell, as under Wayland).
    void activated(QPoint position);
    void contextMenuRequested(QPoint position);

private:
    void registerWithWatcher();

    QDBusConnection m_bus;
    EventLog& m_log;
    QString m_service;
    QDBusServiceWatcher* m_watcher = nullptr;
    QString m_title;
    ItemStatus m_status = ItemStatus::Active;
    QString m_iconName;
    SniPixmapList m_iconPixmap;
    QString m_attentionIconName;
    SniPixmapList m_attentionIconPixmap;
    QString m_toolTipTitle;
    QString m_toolTipText;
    QDBusObjectPath m_menu{QStringLiteral("/NO_DBUSMENU")};
};
