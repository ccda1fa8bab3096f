#pragma once

#include "core/Result.h"

#include <QString>
#include <QtGlobal>

#include <functional>

// The desktop's global hot-key service: grabs a key combination for the
// whole session and reports its presses and releases, and (while one of our
// own menus holds the keyboard) the raw key events our windows receive.
class HotKeyService
{
public:
    using Handle = quint64;

    struct Identifier
    {
        quint32 signature = 0;
        int id = 0;
        QString name;  // the shortcut's name ("toggleCapture"): desktops that bind by name show it
    };

    enum class EventKind { pressed, released };

    struct HotKeyEvent
    {
        EventKind kind = EventKind::pressed;
        Identifier identifier;
    };

    struct RawKeyEvent
    {
        EventKind kind = EventKind::pressed;
        int keyCode = 0;
        int modifiers = 0;
    };

    // Each handler answers whether it handled the event.
    struct Handlers
    {
        std::function<bool(const HotKeyEvent&)> hotKey;
        std::function<bool(const RawKeyEvent&)> rawKey;
    };

    virtual ~HotKeyService() = default;

    virtual void installEventHandler(Handlers handlers) = 0;
    // Grabs the combination. A failure (another program holds it, the key
    // is not on this keyboard) leaves nothing grabbed.
    virtual Result<Handle> registerHotKey(int keyCode, int modifiers, Identifier identifier) = 0;
    virtual void unregisterHotKey(Handle handle) = 0;
    virtual void setHotKeyEventsEnabled(bool enabled) = 0;
    virtual void setRawKeyEventsEnabled(bool enabled) = 0;
    // Whether the desktop has the last word on the keys (the portal, KDE's
    // global shortcuts): a combination is a wish there, and trying one out
    // beforehand would only disturb the desktop's own record.
    virtual bool isDesktopManaged() const { return false; }
};
