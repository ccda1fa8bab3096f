#include "platform/linux/SessionProbe.h"

#include "platform/linux/wayland/WaylandConnection.h"

#include <QDBusConnectionInterface>

SessionProbe::SessionProbe(QDBusConnection sessionBus)
    : m_sessionBus(std::move(sessionBus))
    , m_wayland(!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    , m_x11(!qEnvironmentVariableIsEmpty("DISPLAY"))
    , m_swaySocket(!qEnvironmentVariableIsEmpty("SWAYSOCK"))
    , m_desktops(qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts))
{
}

void SessionProbe::askCompositor()
{
    if (m_globals)
        return;
    m_globals.emplace();
    if (!m_wayland)
        return;
    if (auto connection = WaylandConnection::open())
        m_globals = connection.value()->globalInterfaces();
    else
        m_waylandError = connection.error();
}

bool SessionProbe::hasGlobal(const char* interface)
{
    askCompositor();
    return m_globals->contains(interface);
}

std::optional<QString> SessionProbe::waylandError()
{
    askCompositor();
    return m_waylandError;
}

bool SessionProbe::hasService(const QString& name, bool orActivatable)
{
    QDBusConnectionInterface* bus = m_sessionBus.isConnected() ? m_sessionBus.interface() : nullptr;
    if (!bus)
        return false;
    if (!m_services.contains(name))
        m_services.insert(name, bus->isServiceRegistered(name));
    if (m_services.value(name) || !orActivatable)
        return m_services.value(name);
    if (!m_activatable)
        m_activatable = bus->activatableServiceNames().value();
    return m_activatable->contains(name);
}
