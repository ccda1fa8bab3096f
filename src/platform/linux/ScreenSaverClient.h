#pragma once

#include <QDBusConnection>

// Whether the desktop's screen saver (or lock screen) is showing, asked
// over the session bus: org.freedesktop.ScreenSaver (KDE, XFCE, most
// desktops) and org.gnome.ScreenSaver (GNOME). Services that are not
// running are not started for the question.
class ScreenSaverClient
{
public:
    explicit ScreenSaverClient(QDBusConnection sessionBus);

    bool isActive();

private:
    bool ask(const QString& service, const QString& path);

    QDBusConnection m_bus;
};
