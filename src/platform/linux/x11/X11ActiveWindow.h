#pragma once

#include "platform/linux/x11/AppIdResolver.h"

#include <QString>

#include <memory>
#include <optional>

class XcbConnection;

// The application in front: the desktop-file id of the window named by the
// root window's _NET_ACTIVE_WINDOW. Keeps one connection and reconnects
// after the server went away.
class X11ActiveWindow
{
public:
    X11ActiveWindow();
    ~X11ActiveWindow();

    // Nothing when no window is active or the window manager does not say.
    std::optional<QString> appId();

private:
    XcbConnection* connection();

    std::shared_ptr<XcbConnection> m_connection;
    AppIdResolver m_resolver;
};
