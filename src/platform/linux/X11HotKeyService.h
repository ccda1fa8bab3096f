#pragma once

#include "core/Result.h"
#include "core/shortcuts/HotKeyService.h"

#include <QAbstractNativeEventFilter>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <optional>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

class EventLog;
class QSocketNotifier;

// Global hot keys on X11. A connection of its own grabs each combination on
// the root window, once per lock-modifier variant (Caps Lock, Num Lock,
// Scroll Lock), so the shortcut works whatever locks are on. XKB detectable
// auto-repeat keeps a held combination to one press and one release; the
// release is reported even when the modifiers were let go first (X keeps the
// grab until the key itself is released).
//
// While one of our own menus or popups holds the keyboard, X delivers no
// passive grab at all: the raw key path then watches the key events that
// reach our own windows (a native event filter on Qt's connection) and
// reports them as raw key events. Alt and Super key events are kept from the
// menu meanwhile (a lone Alt would close it), and a release is held back a
// moment to tell it from Qt's auto-repeat pairs.
class X11HotKeyService : public QObject, public HotKeyService, public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    // Connects to $DISPLAY (or the given display name).
    static Result<std::shared_ptr<X11HotKeyService>> connect(EventLog& log, const QByteArray& displayName = {});
    ~X11HotKeyService() override;

    void installEventHandler(Handlers handlers) override;
    Result<Handle> registerHotKey(int keyCode, int modifiers, Identifier identifier) override;
    void unregisterHotKey(Handle handle) override;
    void setHotKeyEventsEnabled(bool enabled) override;
    void setRawKeyEventsEnabled(bool enabled) override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Registration
    {
        Identifier identifier;
        int keyCode = 0;
        int modifiers = 0;
        uint16_t x11Modifiers = 0;
        QList<uint8_t> keycodes;
    };

    X11HotKeyService(xcb_connection_t* connection, EventLog& log);
    void setUp();
    void readModifierMapping();
    void rebuildKeycodeMap();
    QList<uint16_t> lockVariants() const;
    QList<uint8_t> keycodesFor(int keyCode) const;
    Result<void> grab(const QList<uint8_t>& keycodes, uint16_t modifiers);
    void ungrab(const QList<uint8_t>& keycodes, uint16_t modifiers);
    void reloadKeymap();
    void processEvents();
    void scheduleProcessEvents();
    void handleEvent(const xcb_generic_event_t* event, const xcb_generic_event_t* next, bool* skipNext);
    void handleKey(bool pressed, uint8_t keycode, uint16_t state);
    bool handleRawKey(bool pressed, uint8_t keycode, uint16_t state, uint32_t time);
    void flushPendingRelease();

    struct ConnectionDeleter
    {
        void operator()(xcb_connection_t* connection) const;
    };
    struct KeySymbolsDeleter
    {
        void operator()(xcb_key_symbols_t* symbols) const;
    };

    std::unique_ptr<xcb_connection_t, ConnectionDeleter> m_connection;
    EventLog& m_log;
    std::unique_ptr<xcb_key_symbols_t, KeySymbolsDeleter> m_symbols;
    std::unique_ptr<QSocketNotifier> m_notifier;
    uint32_t m_root = 0;
    uint16_t m_numLockMask = 0;
    uint16_t m_scrollLockMask = 0;
    uint8_t m_xkbFirstEvent = 0;
    bool m_detectableAutoRepeat = false;
    bool m_hotKeyEventsEnabled = false;
    bool m_rawKeyEventsEnabled = false;
    bool m_processScheduled = false;
    Handlers m_handlers;
    Handle m_lastHandle = 0;
    QHash<Handle, Registration> m_registrations;
    QHash<uint8_t, int> m_keyCodeByX11Keycode;
    QHash<uint8_t, Handle> m_pressed;  // grabbed key held down → its registration
    struct RawPress
    {
        int modifiers = 0;
        bool handled = false;
    };
    QHash<uint8_t, RawPress> m_rawPressed;  // raw key held down → how its press went
    struct PendingRelease
    {
        uint8_t keycode = 0;
        uint32_t time = 0;
    };
    std::optional<PendingRelease> m_pendingRelease;
    QTimer m_releaseTimer;
    QSet<uint8_t> m_menuModifierKeycodes;  // Alt and Super keys
};
