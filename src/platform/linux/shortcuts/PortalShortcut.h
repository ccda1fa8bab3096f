#pragma once

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

// One shortcut as the GlobalShortcuts portal lists them, the D-Bus structure
// (sa{sv}): its id and its properties ("description", "preferred_trigger",
// and in answers "trigger_description").
struct PortalShortcut
{
    QString id;
    QVariantMap properties;

    static void registerMetaTypes();
    // The list in a portal answer's "shortcuts" result.
    static QList<PortalShortcut> fromResult(const QVariant& value);
};

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut);
const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut);

Q_DECLARE_METATYPE(PortalShortcut)
