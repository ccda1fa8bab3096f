#include "core/shortcuts/FakeHotKeyService.h"

Result<HotKeyService::Handle> FakeHotKeyService::registerHotKey(int code, int modifiers, Identifier identifier)
{
    ++registrationAttempts;
    if (m_taken.contains({code, modifiers}))
        return Result<Handle>::failure(QStringLiteral("The desktop or another application already uses it."));
    const Handle handle = ++m_lastHandle;
    m_grabs.insert(handle, {code, modifiers, identifier});
    return handle;
}

bool FakeHotKeyService::isGrabbed(int code, int modifiers) const
{
    for (const Grab& grab : m_grabs) {
        if (grab.code == code && grab.modifiers == modifiers)
            return true;
    }
    return false;
}

bool FakeHotKeyService::send(EventKind kind, int code, int modifiers)
{
    if (!hotKeyEventsEnabled || !m_handlers.hotKey)
        return false;
    for (const Grab& grab : std::as_const(m_grabs)) {
        if (grab.code == code && grab.modifiers == modifiers)
            return m_handlers.hotKey({kind, grab.identifier});
    }
    return false;
}
