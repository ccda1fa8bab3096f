#pragma once

#include <QByteArrayList>
#include <QDBusConnection>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

// What the running session offers, each fact asked for once and kept: the
// environment (WAYLAND_DISPLAY, DISPLAY, XDG_CURRENT_DESKTOP, SWAYSOCK), the
// Wayland compositor's globals (one short connection, on the first question)
// and the names on the session bus. The capture backend, the gate sources
// and the global shortcut's backend all choose from one of these.
class SessionProbe
{
public:
    explicit SessionProbe(QDBusConnection sessionBus);

    bool hasWaylandDisplay() const { return m_wayland; }
    bool hasX11Display() const { return m_x11; }
    bool hasSwaySocket() const { return m_swaySocket; }
    const QStringList& desktops() const { return m_desktops; }  // XDG_CURRENT_DESKTOP, split at ':'
    QDBusConnection sessionBus() const { return m_sessionBus; }

    // Whether the compositor announces a global of that interface; false
    // outside Wayland and when it cannot be reached (waylandError says why).
    bool hasGlobal(const char* interface);
    std::optional<QString> waylandError();

    // Whether the name is taken on the session bus; `orActivatable`: or the
    // bus would start its service when asked.
    bool hasService(const QString& name, bool orActivatable = false);

private:
    void askCompositor();

    QDBusConnection m_sessionBus;
    bool m_wayland = false;
    bool m_x11 = false;
    bool m_swaySocket = false;
    QStringList m_desktops;
    std::optional<QByteArrayList> m_globals;
    std::optional<QString> m_waylandError;
    QHash<QString, bool> m_services;
    std::optional<QStringList> m_activatable;
};
