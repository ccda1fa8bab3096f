#include "ui/TrayIcons.h"

QIcon TrayIcons::icon(MenuBarIcon::State state, bool symbolic)
{
    const QString name = MenuBarIcon::iconName(state, symbolic);
    if (QIcon::hasThemeIcon(name))
        return QIcon::fromTheme(name);
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(name));
}

bool TrayIcons::panelWantsSymbolic()
{
    return qEnvironmentVariable("XDG_CURRENT_DESKTOP").contains(QLatin1String("GNOME"), Qt::CaseInsensitive);
}
