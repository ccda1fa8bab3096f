#include "platform/linux/wayland/OutputIdentity.h"

#include "platform/linux/x11/RandrMonitors.h"

#include <QUuid>

namespace {

// Fixed, so an identity made today is the same in every later session.
const QUuid kIdentityNamespace(QStringLiteral("{5b0c3f2e-8d1a-4c6e-9f47-2a1d6e0b9c53}"));

}  // namespace

QString OutputIdentity::serialFromDescription(const WaylandOutputInfo& output)
{
    const QString prefix = output.make + QLatin1Char(' ') + output.model + QLatin1Char(' ');
    const QString suffix = QStringLiteral(" (") + output.connector + QLatin1Char(')');
    if (!output.description.startsWith(prefix) || !output.description.endsWith(suffix))
        return {};
    return output.description.mid(prefix.size(), output.description.size() - prefix.size() - suffix.size()).trimmed();
}

bool OutputIdentity::hasMonitorIdentity(const WaylandOutputInfo& output, const QString& serial)
{
    // Without a serial two monitors of one model are indistinguishable.
    return !serial.isEmpty() && !output.make.isEmpty() && output.make != QLatin1String("Unknown");
}

DisplayInfo OutputIdentity::describe(const WaylandOutputInfo& output)
{
    DisplayInfo info;
    info.facts.displayNumber = output.globalName;
    const QString serial = serialFromDescription(output);
    if (hasMonitorIdentity(output, serial)) {
        const QString key = output.make + QLatin1Char('\n') + output.model + QLatin1Char('\n') + serial;
        info.facts.uuid = QUuid::createUuidV5(kIdentityNamespace, key).toString(QUuid::WithoutBraces);
        info.name = output.model.startsWith(QLatin1String("0x")) ? output.make + QLatin1Char(' ') + output.model
                                                                 : output.model;
    } else {
        const QString key = QStringLiteral("connector\n") + output.connector;
        info.facts.uuid = QUuid::createUuidV5(kIdentityNamespace, key).toString(QUuid::WithoutBraces);
        info.name = output.connector.isEmpty() ? output.description : output.connector;
    }
    info.x = output.x;
    info.y = output.y;
    info.width = output.width;
    info.height = output.height;
    const bool scaled = output.logicalWidth > 0 && output.logicalWidth < output.width;
    info.logicalWidth = scaled ? output.logicalWidth : output.width;
    info.logicalHeight = scaled ? output.logicalHeight : output.height;
    info.isBuiltIn = RandrMonitors::isBuiltInConnector(output.connector);
    // Wayland has no primary output; the one at the layout's origin plays that part.
    info.isMain = output.x == 0 && output.y == 0;
    return info;
}
