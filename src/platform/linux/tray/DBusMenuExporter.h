#pragma once

#include "platform/linux/tray/TrayWireTypes.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QHash>
#include <QObject>
#include <QPointer>

#include <functional>

class QAction;

// A menu's actions as com.canonical.dbusmenu, the menu a StatusNotifierItem
// host shows for the item: one flat level of items (separators, plain and
// checkable actions). The menu object (a QMenu, any QObject that actions are
// added to) is watched, so actions added, removed or changed later (a label
// that switches, an action hidden or disabled) reach the host as
// LayoutUpdated and ItemsPropertiesUpdated. A "clicked" event triggers the
// action. Mnemonics ("&Quit") become the protocol's underscores.
class DBusMenuExporter : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

public:
    using ActionList = std::function<QList<QAction*>()>;

    DBusMenuExporter(QObject& menu, ActionList actions, QObject* parent = nullptr);
    ~DBusMenuExporter() override;

    bool publish(QDBusConnection bus, const QString& objectPath);

    uint version() const { return 3; }
    QString textDirection() const;
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

    // "&Open && Close_All" → "_Open & Close__All".
    static QString label(const QString& text);

public Q_SLOTS:
    Q_SCRIPTABLE uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                                DBusMenuLayoutItem& layout);
    Q_SCRIPTABLE QList<DBusMenuItemProperties> GetGroupProperties(const QList<int>& ids,
                                                                  const QStringList& propertyNames);
    Q_SCRIPTABLE QDBusVariant GetProperty(int id, const QString& name);
    Q_SCRIPTABLE void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    Q_SCRIPTABLE QList<int> EventGroup(const QList<DBusMenuEvent>& events);
    Q_SCRIPTABLE bool AboutToShow(int id);
    Q_SCRIPTABLE QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

Q_SIGNALS:
    Q_SCRIPTABLE void ItemsPropertiesUpdated(const QList<DBusMenuItemProperties>& updated,
                                             const QList<DBusMenuItemKeys>& removed);
    Q_SCRIPTABLE void LayoutUpdated(uint revision, int parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int idOf(QAction* action);
    QAction* actionOf(int id) const;
    QVariantMap properties(int id, const QStringList& names = {});
    void actionChanged(QAction* action);
    bool triggerClicked(int id, const QString& eventId);
    void refuseUnknown(int id);

    QPointer<QObject> m_menu;
    ActionList m_actions;
    QDBusConnection m_bus{QString()};
    QString m_path;
    QHash<QAction*, int> m_ids;
    QHash<int, QVariantMap> m_sent;  // what the host was last told of each item
    int m_nextId = 1;
    uint m_revision = 1;
};
