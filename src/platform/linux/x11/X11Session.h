#pragma once

#include "platform/linux/x11/AppIdResolver.h"
#include "platform/linux/x11/CursorOverlay.h"
#include "platform/linux/x11/ShmGrabber.h"
#include "platform/linux/x11/WindowComposer.h"
#include "platform/linux/x11/XcbConnection.h"

#include <memory>

// Everything that lives as long as one connection to the X server: the
// shared-memory segment, the cursor and composite set-up.
class X11Session
{
public:
    explicit X11Session(std::shared_ptr<XcbConnection> connection)
        : m_connection(std::move(connection)), m_grabber(*m_connection), m_cursor(*m_connection),
          m_composer(*m_connection, m_grabber)
    {
    }

    XcbConnection& connection() { return *m_connection; }
    ShmGrabber& grabber() { return m_grabber; }
    CursorOverlay& cursor() { return m_cursor; }
    WindowComposer& composer() { return m_composer; }

private:
    std::shared_ptr<XcbConnection> m_connection;
    ShmGrabber m_grabber;
    CursorOverlay m_cursor;
    WindowComposer m_composer;
};
