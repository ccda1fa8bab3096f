#include "platform/linux/shortcuts/DesktopHotKeyService.h"

QString DesktopHotKeyService::bindingName(const Identifier& identifier)
{
    return identifier.name.isEmpty() ? QStringLiteral("shortcut%1").arg(identifier.id) : identifier.name;
}

HotKeyService::Handle DesktopHotKeyService::add(const Registration& registration)
{
    m_registrations.insert(++m_lastHandle, registration);
    return m_lastHandle;
}

std::optional<DesktopHotKeyService::Registration> DesktopHotKeyService::take(Handle handle)
{
    const auto found = m_registrations.constFind(handle);
    if (found == m_registrations.constEnd())
        return std::nullopt;
    const Registration registration = *found;
    m_registrations.erase(found);
    return registration;
}

void DesktopHotKeyService::deliver(EventKind kind, const QString& name)
{
    for (const Registration& registration : std::as_const(m_registrations)) {
        if (bindingName(registration.identifier) != name)
            continue;
        if (m_hotKeyEventsEnabled && m_handlers.hotKey)
            m_handlers.hotKey({kind, registration.identifier});
        return;
    }
}
