#include "platform/linux/x11/XEmbedTray.h"

#include "platform/linux/x11/XcbConnection.h"
#include "platform/linux/x11/XcbReply.h"

bool XEmbedTray::isAvailable()
{
    auto opened = XcbConnection::open();
    if (!opened)
        return false;
    XcbConnection& connection = *opened.value();
    const xcb_atom_t selection = connection.atom("_NET_SYSTEM_TRAY_S0");
    if (selection == XCB_ATOM_NONE)
        return false;
    XcbReply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(connection.get(), xcb_get_selection_owner(connection.get(), selection), nullptr));
    return owner && owner->owner != XCB_WINDOW_NONE;
}
