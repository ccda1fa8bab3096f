#pragma once

#include <xcb/xcb.h>

// Holds the X server for this client alone while it lives: no other client
// can map, move or draw a window meanwhile, so a window list and an image
// taken under it agree with each other.
class XcbServerGrab
{
public:
    explicit XcbServerGrab(xcb_connection_t* connection) : m_connection(connection)
    {
        xcb_grab_server(m_connection);
    }
    ~XcbServerGrab()
    {
        xcb_ungrab_server(m_connection);
        xcb_flush(m_connection);
    }
    XcbServerGrab(const XcbServerGrab&) = delete;
    XcbServerGrab& operator=(const XcbServerGrab&) = delete;

private:
    xcb_connection_t* m_connection;
};
