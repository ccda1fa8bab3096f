#include "platform/shortcuts/ForeignKeyGrab.h"

#include <xcb/xcb_keysyms.h>

#include <cstdlib>

ForeignKeyGrab::ForeignKeyGrab(const QString& display)
    : m_connection(xcb_connect(display.toLatin1().constData(), nullptr))
{
    if (!xcb_connection_has_error(m_connection))
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
}

ForeignKeyGrab::~ForeignKeyGrab()
{
    xcb_disconnect(m_connection);
}

bool ForeignKeyGrab::grab(quint32 keysym, quint16 modifiers)
{
    if (!m_root)
        return false;
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(m_connection);
    xcb_keycode_t* keycodes = xcb_key_symbols_get_keycode(symbols, keysym);
    bool granted = keycodes && keycodes[0] != XCB_NO_SYMBOL;
    for (xcb_keycode_t* k = keycodes; granted && *k != XCB_NO_SYMBOL; ++k) {
        xcb_generic_error_t* error = xcb_request_check(
            m_connection, xcb_grab_key_checked(m_connection, 0, m_root, modifiers, *k, XCB_GRAB_MODE_ASYNC,
                                               XCB_GRAB_MODE_ASYNC));
        granted = !error;
        std::free(error);
    }
    std::free(keycodes);
    xcb_key_symbols_free(symbols);
    return granted;
}

bool ForeignKeyGrab::keyboardIsGrabbed()
{
    if (!m_root)
        return false;
    xcb_grab_keyboard_reply_t* reply = xcb_grab_keyboard_reply(
        m_connection,
        xcb_grab_keyboard(m_connection, 0, m_root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
        nullptr);
    const bool grabbed = reply && reply->status == XCB_GRAB_STATUS_ALREADY_GRABBED;
    if (reply && reply->status == XCB_GRAB_STATUS_SUCCESS) {
        xcb_ungrab_keyboard(m_connection, XCB_CURRENT_TIME);
        xcb_flush(m_connection);
    }
    std::free(reply);
    return grabbed;
}
