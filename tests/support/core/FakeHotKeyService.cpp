#include "support/core/FakeHotKeyService.h"

Result<HotKeyService::Handle> FakeHotKeyService::registerHotKey(int code, int modifiers, Identifier identifier)
{
    ++registrationAttempts;
    if (m_taken.contains({code, modifiers}))
        return Result<Handle>::failure(QStringLiteral("The desktop or another application already uses it."));
    m_grabs.insert(++m_lastHandle, {code, modifiers, identifier});
    return m_lastHandle;
}

const FakeHotKeyService::Grab* FakeHotKeyService::find(int code, int modifiers) const
{
    for (const Grab& grab : m_grabs)
        if (grab.code == code && grab.modifiers == modifiers)
            return &grab;
    return nullptr;
}

bool FakeHotKeyService::send(EventKind kind, int code, int modifiers)
{
    const Grab* grab = find(code, modifiers);
    return hotKeyEventsEnabled && m_handlers.hotKey && grab && m_handlers.hotKey({kind, grab->identifier});
}
