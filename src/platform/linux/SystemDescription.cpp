#include "platform/linux/SystemDescription.h"

#include <QFile>
#include <QSysInfo>

QString SystemDescription::deviceModel()
{
    QFile file(QStringLiteral("/sys/class/dmi/id/product_name"));
    const QString name = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
    return name.isEmpty() ? QStringLiteral("unknown") : name;
}

QString SystemDescription::architecture()
{
    return QSysInfo::buildCpuArchitecture();
}

QString SystemDescription::operatingSystem()
{
    return QSysInfo::prettyProductName() + QStringLiteral(", kernel ") + QSysInfo::kernelVersion();
}

QString SystemDescription::session()
{
    const QString type = qEnvironmentVariable("XDG_SESSION_TYPE").toLower();
    QString kind = QStringLiteral("unknown");
    if (type == QLatin1String("wayland") || (type.isEmpty() && qEnvironmentVariableIsSet("WAYLAND_DISPLAY")))
        kind = QStringLiteral("Wayland");
    else if (type == QLatin1String("x11") || (type.isEmpty() && qEnvironmentVariableIsSet("DISPLAY")))
        kind = QStringLiteral("X11");
    const QString desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    return kind + QStringLiteral(", ") + (desktop.isEmpty() ? QStringLiteral("no desktop named") : desktop);
}
