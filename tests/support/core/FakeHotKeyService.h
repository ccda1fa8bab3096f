#pragma once

#include "core/shortcuts/HotKeyService.h"

#include <QMap>
#include <QPair>
#include <QSet>

// A hot-key service in memory: remembers what is grabbed, refuses the
// combinations marked as taken, and lets a test press and release keys.
class FakeHotKeyService : public HotKeyService
{
public:
    void installEventHandler(Handlers handlers) override { m_handlers = std::move(handlers); }
    Result<Handle> registerHotKey(int code, int modifiers, Identifier identifier) override
    {
        if (m_taken.contains({code, modifiers}))
            return Result<Handle>::failure(QStringLiteral("The desktop or another application already uses it."));
        m_grabs.insert(++m_lastHandle, {{code, modifiers}, identifier});
        return m_lastHandle;
    }
    void unregisterHotKey(Handle handle) override { m_grabs.remove(handle); }
    void setHotKeyEventsEnabled(bool enabled) override { hotKeyEventsEnabled = enabled; }
    void setRawKeyEventsEnabled(bool enabled) override { rawKeyEventsEnabled = enabled; }

    void markTaken(int code, int modifiers) { m_taken.insert({code, modifiers}); }
    int grabCount() const { return int(m_grabs.size()); }
    bool isGrabbed(int code, int modifiers) const { return find(code, modifiers); }

    // Sends a hot-key event for a grabbed combination; false when not grabbed
    // or not handled.
    bool press(int code, int modifiers) { return send(EventKind::pressed, code, modifiers); }
    bool release(int code, int modifiers) { return send(EventKind::released, code, modifiers); }
    bool sendRawKey(EventKind kind, int code, int modifiers)
    {
        return rawKeyEventsEnabled && m_handlers.rawKey && m_handlers.rawKey({kind, code, modifiers});
    }

    bool hotKeyEventsEnabled = false;
    bool rawKeyEventsEnabled = false;

private:
    using Grab = QPair<QPair<int, int>, Identifier>;  // (code, modifiers), identifier

    const Grab* find(int code, int modifiers) const
    {
        for (const Grab& grab : m_grabs)
            if (grab.first == qMakePair(code, modifiers))
                return &grab;
        return nullptr;
    }
    bool send(EventKind kind, int code, int modifiers)
    {
        const Grab* grab = find(code, modifiers);
        return hotKeyEventsEnabled && m_handlers.hotKey && grab && m_handlers.hotKey({kind, grab->second});
    }

    Handlers m_handlers;
    Handle m_lastHandle = 0;
    QMap<Handle, Grab> m_grabs;
    QSet<QPair<int, int>> m_taken;
};
