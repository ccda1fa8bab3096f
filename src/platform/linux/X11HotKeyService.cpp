#include "platform/linux/X11HotKeyService.h"

#include "core/log/EventLog.h"
#include "platform/linux/X11KeySymbols.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
// xkb.h names a member "explicit", which C++ reserves.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-keysyms.h>

#include <cstdlib>
#include <vector>

namespace {

template <typename T>
struct FreeDeleter
{
    void operator()(T* pointer) const { std::free(pointer); }
};
template <typename T>
using XcbPointer = std::unique_ptr<T, FreeDeleter<T>>;

constexpr uint8_t kBadAccess = 10;
constexpr int kRepeatWindowMs = 30;
constexpr uint16_t kModifierMasks[8] = {XCB_MOD_MASK_SHIFT, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_CONTROL, XCB_MOD_MASK_1,
                                        XCB_MOD_MASK_2,     XCB_MOD_MASK_3,    XCB_MOD_MASK_4,       XCB_MOD_MASK_5};

}  // namespace

void X11HotKeyService::ConnectionDeleter::operator()(xcb_connection_t* connection) const
{
    xcb_disconnect(connection);
}

void X11HotKeyService::KeySymbolsDeleter::operator()(xcb_key_symbols_t* symbols) const
{
    xcb_key_symbols_free(symbols);
}

Result<std::shared_ptr<X11HotKeyService>> X11HotKeyService::connect(EventLog& log, const QByteArray& displayName)
{
    using R = Result<std::shared_ptr<X11HotKeyService>>;
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(displayName.isEmpty() ? nullptr : displayName.constData(),
                                               &screenNumber);
    if (!connection || xcb_connection_has_error(connection)) {
        if (connection)
            xcb_disconnect(connection);
        return R::failure(QObject::tr("Global shortcuts need an X11 display; none could be opened."));
    }
    std::shared_ptr<X11HotKeyService> service(new X11HotKeyService(connection, log));
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    if (!screens.rem)
        return R::failure(QObject::tr("The X11 display has no screen."));
    service->m_root = screens.data->root;
    service->setUp();
    return service;
}

X11HotKeyService::X11HotKeyService(xcb_connection_t* connection, EventLog& log)
    : m_connection(connection)
    , m_log(log)
    , m_symbols(xcb_key_symbols_alloc(connection))
{
}

X11HotKeyService::~X11HotKeyService()
{
    if (m_rawKeyEventsEnabled && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    m_notifier.reset();
    for (const Registration& registration : std::as_const(m_registrations))
        ungrab(registration.keycodes, registration.x11Modifiers);
    xcb_flush(m_connection.get());
}

void X11HotKeyService::setUp()
{
    xcb_connection_t* c = m_connection.get();
    // Without detectable auto-repeat a held key arrives as release/press
    // pairs; processEvents() folds those too, so this is best effort.
    XcbPointer<xcb_xkb_use_extension_reply_t> xkb(xcb_xkb_use_extension_reply(
        c, xcb_xkb_use_extension(c, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION), nullptr));
    if (xkb && xkb->supported) {
        const uint32_t flag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
        XcbPointer<xcb_xkb_per_client_flags_reply_t> flags(xcb_xkb_per_client_flags_reply(
            c, xcb_xkb_per_client_flags(c, XCB_XKB_ID_USE_CORE_KBD, flag, flag, 0, 0, 0), nullptr));
        m_detectableAutoRepeat = flags && (flags->value & flag);
        // A client that uses XKB gets XKB's map notices instead of the core
        // MappingNotify.
        const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_xkb_id);
        if (extension && extension->present) {
            m_xkbFirstEvent = extension->first_event;
            const uint16_t events = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY;
            const uint16_t parts = XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS
                                   | XCB_XKB_MAP_PART_MODIFIER_MAP;
            xcb_xkb_select_events(c, XCB_XKB_ID_USE_CORE_KBD, events, 0, events, parts, parts, nullptr);
        }
    }
    readModifierMapping();
    rebuildKeycodeMap();
    m_releaseTimer.setSingleShot(true);
    m_releaseTimer.setInterval(kRepeatWindowMs);
    QObject::connect(&m_releaseTimer, &QTimer::timeout, this, [this] { flushPendingRelease(); });
    m_notifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { processEvents(); });
}

// Num Lock and Scroll Lock sit on whichever modifier the keymap gives them.
void X11HotKeyService::readModifierMapping()
{
    m_numLockMask = 0;
    m_scrollLockMask = 0;
    m_menuModifierKeycodes.clear();
    xcb_connection_t* c = m_connection.get();
    XcbPointer<xcb_get_modifier_mapping_reply_t> reply(
        xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr));
    if (!reply)
        return;
    const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(reply.get());
    const int perModifier = reply->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t keycode = keycodes[modifier * perModifier + i];
            if (keycode == XCB_NO_SYMBOL)
                continue;
            if (kModifierMasks[modifier] == XCB_MOD_MASK_1 || kModifierMasks[modifier] == XCB_MOD_MASK_4)
                m_menuModifierKeycodes.insert(keycode);
            for (int column = 0; column < 4; ++column) {
                const xcb_keysym_t keysym = xcb_key_symbols_get_keysym(m_symbols.get(), keycode, column);
                if (keysym == XKB_KEY_Num_Lock)
                    m_numLockMask |= kModifierMasks[modifier];
                else if (keysym == XKB_KEY_Scroll_Lock)
                    m_scrollLockMask |= kModifierMasks[modifier];
            }
        }
    }
}

void X11HotKeyService::rebuildKeycodeMap()
{
    m_keyCodeByX11Keycode.clear();
    for (const int code : X11KeySymbols::allCodes()) {
        for (const uint8_t keycode : keycodesFor(code)) {
            if (!m_keyCodeByX11Keycode.contains(keycode))
                m_keyCodeByX11Keycode.insert(keycode, code);
        }
    }
}

QList<uint8_t> X11HotKeyService::keycodesFor(int keyCode) const
{
    QList<uint8_t> keycodes;
    for (const uint32_t keysym : X11KeySymbols::keysyms(keyCode)) {
        XcbPointer<xcb_keycode_t> found(xcb_key_symbols_get_keycode(m_symbols.get(), keysym));
        for (const xcb_keycode_t* k = found.get(); k && *k != XCB_NO_SYMBOL; ++k) {
            if (!keycodes.contains(*k))
                keycodes.append(*k);
        }
        if (!keycodes.isEmpty())
            break;  // the usual keysym wins; the others are fallbacks
    }
    return keycodes;
}

// The combination plus every mix of Caps Lock, Num Lock and Scroll Lock.
QList<uint16_t> X11HotKeyService::lockVariants() const
{
    QList<uint16_t> locks;
    for (const uint16_t lock : {uint16_t(XCB_MOD_MASK_LOCK), m_numLockMask, m_scrollLockMask}) {
        if (lock && !locks.contains(lock))
            locks.append(lock);
    }
    QList<uint16_t> variants;
    for (int subset = 0; subset < (1 << locks.size()); ++subset) {
        uint16_t variant = 0;
        for (int i = 0; i < locks.size(); ++i) {
            if (subset & (1 << i))
                variant |= locks[i];
        }
        if (!variants.contains(variant))
            variants.append(variant);
    }
    return variants;
}

Result<void> X11HotKeyService::grab(const QList<uint8_t>& keycodes, uint16_t modifiers)
{
    xcb_connection_t* c = m_connection.get();
    struct Attempt
    {
        uint8_t keycode;
        uint16_t modifiers;
        xcb_void_cookie_t cookie;
    };
    QList<Attempt> attempts;
    for (const uint8_t keycode : keycodes) {
        for (const uint16_t variant : lockVariants()) {
            const uint16_t mods = modifiers | variant;
            attempts.append(
                {keycode, mods,
                 xcb_grab_key_checked(c, 1, m_root, mods, keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)});
        }
    }
    bool refused = false;
    bool otherError = false;
    QList<const Attempt*> granted;
    for (const Attempt& attempt : attempts) {
        XcbPointer<xcb_generic_error_t> error(xcb_request_check(c, attempt.cookie));
        if (!error)
            granted.append(&attempt);
        else if (error->error_code == kBadAccess)
            refused = true;
        else
            otherError = true;
    }
    if (refused || otherError || xcb_connection_has_error(c)) {
        for (const Attempt* attempt : std::as_const(granted))
            xcb_ungrab_key(c, attempt->keycode, m_root, attempt->modifiers);
        xcb_flush(c);
        scheduleProcessEvents();
        if (refused)
            return Result<void>::failure(
                tr("The desktop or another application already uses it; choose another combination, or change that "
                   "shortcut in your desktop's keyboard settings."));
        return Result<void>::failure(tr("The X server refused this key combination."));
    }
    scheduleProcessEvents();
    return Result<void>::success();
}

void X11HotKeyService::ungrab(const QList<uint8_t>& keycodes, uint16_t modifiers)
{
    for (const uint8_t keycode : keycodes) {
        for (const uint16_t variant : lockVariants())
            xcb_ungrab_key(m_connection.get(), keycode, m_root, modifiers | variant);
    }
}

void X11HotKeyService::installEventHandler(Handlers handlers)
{
    m_handlers = std::move(handlers);
}

Result<HotKeyService::Handle> X11HotKeyService::registerHotKey(int keyCode, int modifiers, Identifier identifier)
{
    if (xcb_connection_has_error(m_connection.get()))
        return Result<Handle>::failure(tr("The connection to the X server is lost."));
    if (X11KeySymbols::keysyms(keyCode).isEmpty())
        return Result<Handle>::failure(tr("This key can't be grabbed on this desktop."));
    Registration registration;
    registration.identifier = identifier;
    registration.keyCode = keyCode;
    registration.modifiers = modifiers;
    registration.x11Modifiers = X11KeySymbols::x11Modifiers(modifiers);
    registration.keycodes = keycodesFor(keyCode);
    if (registration.keycodes.isEmpty())
        return Result<Handle>::failure(tr("This keyboard has no such key."));
    const auto grabbed = grab(registration.keycodes, registration.x11Modifiers);
    if (!grabbed)
        return Result<Handle>::failure(grabbed.error());
    const Handle handle = ++m_lastHandle;
    m_registrations.insert(handle, registration);
    return handle;
}

void X11HotKeyService::unregisterHotKey(Handle handle)
{
    const auto it = m_registrations.constFind(handle);
    if (it == m_registrations.cend())
        return;
    ungrab(it->keycodes, it->x11Modifiers);
    xcb_flush(m_connection.get());
    for (auto pressed = m_pressed.begin(); pressed != m_pressed.end();) {
        if (pressed.value() == handle)
            pressed = m_pressed.erase(pressed);
        else
            ++pressed;
    }
    m_registrations.erase(it);
}

void X11HotKeyService::setHotKeyEventsEnabled(bool enabled)
{
    m_hotKeyEventsEnabled = enabled;
}

void X11HotKeyService::setRawKeyEventsEnabled(bool enabled)
{
    if (enabled == m_rawKeyEventsEnabled)
        return;
    m_rawKeyEventsEnabled = enabled;
    flushPendingRelease();
    m_rawPressed.clear();
    if (!QCoreApplication::instance())
        return;
    if (enabled)
        QCoreApplication::instance()->installNativeEventFilter(this);
    else
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

void X11HotKeyService::scheduleProcessEvents()
{
    // Replies read while checking requests can leave events in xcb's queue
    // without the socket becoming readable again.
    if (m_processScheduled)
        return;
    m_processScheduled = true;
    QMetaObject::invokeMethod(
        this, [this] { processEvents(); }, Qt::QueuedConnection);
}

void X11HotKeyService::processEvents()
{
    m_processScheduled = false;
    xcb_connection_t* c = m_connection.get();
    std::vector<XcbPointer<xcb_generic_event_t>> events;
    while (xcb_generic_event_t* event = xcb_poll_for_event(c))
        events.emplace_back(event);
    for (size_t i = 0; i < events.size(); ++i) {
        bool skipNext = false;
        handleEvent(events[i].get(), i + 1 < events.size() ? events[i + 1].get() : nullptr, &skipNext);
        if (skipNext)
            ++i;
    }
    if (xcb_connection_has_error(c) && m_notifier && m_notifier->isEnabled()) {
        m_notifier->setEnabled(false);
        m_log.logError(QStringLiteral("Global shortcuts stopped: the connection to the X server was lost"),
                       EventLog::kApp);
    }
}

void X11HotKeyService::handleEvent(const xcb_generic_event_t* event, const xcb_generic_event_t* next, bool* skipNext)
{
    const uint8_t type = event->response_type & 0x7f;
    if (type == XCB_KEY_PRESS) {
        const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
        handleKey(true, key->detail, key->state);
    } else if (type == XCB_KEY_RELEASE) {
        const auto* key = reinterpret_cast<const xcb_key_release_event_t*>(event);
        // Auto-repeat without XKB's help: a release followed by a press of
        // the same key at the same time is the key still being held.
        if (next && (next->response_type & 0x7f) == XCB_KEY_PRESS) {
            const auto* press = reinterpret_cast<const xcb_key_press_event_t*>(next);
            if (press->detail == key->detail && press->time == key->time) {
                *skipNext = true;
                return;
            }
        }
        handleKey(false, key->detail, key->state);
    } else if (type == XCB_MAPPING_NOTIFY) {
        if (reinterpret_cast<const xcb_mapping_notify_event_t*>(event)->request != XCB_MAPPING_POINTER)
            reloadKeymap();
    } else if (m_xkbFirstEvent && type == m_xkbFirstEvent) {
        const uint8_t xkbType = reinterpret_cast<const xcb_xkb_map_notify_event_t*>(event)->xkbType;
        if (xkbType == XCB_XKB_MAP_NOTIFY || xkbType == XCB_XKB_NEW_KEYBOARD_NOTIFY)
            reloadKeymap();
    }
}

// The keyboard or modifier map changed: keys may have moved, locks may sit
// on other modifiers. Grab everything again under the new map.
void X11HotKeyService::reloadKeymap()
{
    // Let go under the old map (the lock masks it had), then read the new one.
    for (Registration& registration : m_registrations)
        ungrab(registration.keycodes, registration.x11Modifiers);
    m_symbols.reset(xcb_key_symbols_alloc(m_connection.get()));
    readModifierMapping();
    rebuildKeycodeMap();
    m_pressed.clear();
    for (Registration& registration : m_registrations) {
        registration.keycodes = keycodesFor(registration.keyCode);
        const auto grabbed = grab(registration.keycodes, registration.x11Modifiers);
        if (!grabbed)
            m_log.logError(QStringLiteral("Could not grab a global shortcut again after a keyboard change: %1")
                               .arg(grabbed.error()),
                           EventLog::kApp);
    }
    xcb_flush(m_connection.get());
}

void X11HotKeyService::handleKey(bool pressed, uint8_t keycode, uint16_t state)
{
    if (!pressed) {
        // X keeps the grab until the key itself is up, so the release comes
        // here even when the modifiers went first; match it by key alone.
        const auto it = m_pressed.constFind(keycode);
        if (it == m_pressed.cend())
            return;
        const Handle handle = it.value();
        m_pressed.erase(it);
        const auto registration = m_registrations.constFind(handle);
        if (registration != m_registrations.cend() && m_hotKeyEventsEnabled && m_handlers.hotKey)
            m_handlers.hotKey({EventKind::released, registration->identifier});
        return;
    }
    if (m_pressed.contains(keycode))
        return;  // auto-repeat of a held combination
    const uint16_t modifiers = state & X11KeySymbols::kRelevantModifiers & ~(m_numLockMask | m_scrollLockMask);
    for (auto it = m_registrations.cbegin(); it != m_registrations.cend(); ++it) {
        if (it->x11Modifiers != modifiers || !it->keycodes.contains(keycode))
            continue;
        m_pressed.insert(keycode, it.key());
        if (m_hotKeyEventsEnabled && m_handlers.hotKey)
            m_handlers.hotKey({EventKind::pressed, it->identifier});
        return;
    }
}

bool X11HotKeyService::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (!m_rawKeyEventsEnabled || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const uint8_t type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    const auto* key = static_cast<const xcb_key_press_event_t*>(message);
    // Menus close on a lone Alt press; keep Alt and Super from them so that
    // pressing the shortcut leaves the menu open.
    if (m_menuModifierKeycodes.contains(key->detail))
        return true;
    return handleRawKey(type == XCB_KEY_PRESS, key->detail, key->state, key->time);
}

bool X11HotKeyService::handleRawKey(bool pressed, uint8_t keycode, uint16_t state, uint32_t time)
{
    const auto code = m_keyCodeByX11Keycode.constFind(keycode);
    if (code == m_keyCodeByX11Keycode.cend() || !m_handlers.rawKey)
        return false;
    if (pressed) {
        if (m_pendingRelease && m_pendingRelease->keycode == keycode && m_pendingRelease->time == time) {
            // X's own auto-repeat: a release and a press at the same moment.
            m_pendingRelease.reset();
            m_releaseTimer.stop();
        }
        const auto held = m_rawPressed.constFind(keycode);
        if (held != m_rawPressed.cend())
            return held->handled;  // auto-repeat
        flushPendingRelease();
        const int modifiers = X11KeySymbols::modifiersFromX11(state);
        const bool handled = m_handlers.rawKey({EventKind::pressed, code.value(), modifiers});
        m_rawPressed.insert(keycode, {modifiers, handled});
        return handled;
    }
    const auto held = m_rawPressed.constFind(keycode);
    if (held == m_rawPressed.cend())
        return false;
    if (!held->handled) {
        m_rawPressed.erase(held);
        return false;
    }
    // Qt's connection has no detectable auto-repeat: hold the release back
    // until it is clear that no repeated press follows it.
    flushPendingRelease();
    m_pendingRelease = PendingRelease{keycode, time};
    m_releaseTimer.start();
    return true;
}

void X11HotKeyService::flushPendingRelease()
{
    if (!m_pendingRelease)
        return;
    const uint8_t keycode = m_pendingRelease->keycode;
    m_pendingRelease.reset();
    m_releaseTimer.stop();
    const auto code = m_keyCodeByX11Keycode.constFind(keycode);
    const auto held = m_rawPressed.constFind(keycode);
    if (code == m_keyCodeByX11Keycode.cend() || held == m_rawPressed.cend())
        return;
    // Reported with the modifiers of its press, so letting go of the
    // modifiers first still ends the shortcut.
    const RawPress press = held.value();
    m_rawPressed.erase(held);
    if (m_handlers.rawKey)
        m_handlers.rawKey({EventKind::released, code.value(), press.modifiers});
}
