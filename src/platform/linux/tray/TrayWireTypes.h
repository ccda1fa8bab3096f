#pragma once

#include <QByteArray>
#include <QDBusArgument>
#include <QDBusVariant>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class QIcon;

// The structures the tray's two D-Bus interfaces send and receive, with
// their marshalling. Call registerTrayWireTypes() before an object that uses
// them goes on the bus.

// One icon image of a StatusNotifierItem, (iiay): ARGB32 pixels in network
// byte order, row by row.
struct SniPixmap
{
    int width = 0;
    int height = 0;
    QByteArray argb;

    bool operator==(const SniPixmap&) const = default;
};
using SniPixmapList = QList<SniPixmap>;

// The images of an icon at the sizes panels draw (16 to 48 pixels), for
// hosts that cannot find our icons in their theme.
SniPixmapList sniPixmaps(const QIcon& icon);

// A StatusNotifierItem's tooltip, (sa(iiay)ss).
struct SniToolTip
{
    QString iconName;
    SniPixmapList pixmaps;
    QString title;
    QString text;
};

// One dbusmenu item with its children, (ia{sv}av); each child travels
// inside a variant.
struct DBusMenuLayoutItem
{
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayoutItem> children;
};

// An item's properties, (ia{sv}), and the names of properties it lost, (ias).
struct DBusMenuItemProperties
{
    int id = 0;
    QVariantMap properties;
};
struct DBusMenuItemKeys
{
    int id = 0;
    QStringList names;
};

// One event of EventGroup, (isvu).
struct DBusMenuEvent
{
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};

void registerTrayWireTypes();

QDBusArgument& operator<<(QDBusArgument& argument, const SniPixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& argument, SniPixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& argument, const SniToolTip& toolTip);
const QDBusArgument& operator>>(const QDBusArgument& argument, SniToolTip& toolTip);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayoutItem& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayoutItem& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemProperties& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemProperties& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItemKeys& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItemKeys& item);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuEvent& event);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuEvent& event);

Q_DECLARE_METATYPE(SniPixmap)
Q_DECLARE_METATYPE(SniToolTip)
Q_DECLARE_METATYPE(DBusMenuLayoutItem)
Q_DECLARE_METATYPE(DBusMenuItemProperties)
Q_DECLARE_METATYPE(DBusMenuItemKeys)
Q_DECLARE_METATYPE(DBusMenuEvent)
