#pragma once

#include "platform/linux/FrontmostAppSource.h"
#include "platform/linux/IdleSource.h"
#include "platform/linux/x11/AppIdResolver.h"

#include <QString>

#include <memory>
#include <optional>

class XcbConnection;

// Facts about the X session that gates ask on every tick: seconds since the
// last keyboard or pointer input (XScreenSaver extension), whether the
// displays are powered down (DPMS), and the application in front (the
// window named by the root's _NET_ACTIVE_WINDOW). Keeps one connection to
// $DISPLAY and reconnects after the server went away.
class X11SessionProbe : public IdleSource, public FrontmostAppSource
{
public:
    X11SessionProbe();
    ~X11SessionProbe() override;
    X11SessionProbe(const X11SessionProbe&) = delete;
    X11SessionProbe& operator=(const X11SessionProbe&) = delete;

    std::optional<double> secondsSinceLastInput() override;
    // True when DPMS is enabled and the monitors are in standby, suspend or
    // off; nothing when the server has no DPMS or cannot be asked.
    std::optional<bool> allDisplaysOff();
    // The active window's desktop-file id; nothing when no window is active
    // or the window manager does not say.
    std::optional<QString> frontmostAppId() override;

private:
    XcbConnection* connection();

    std::shared_ptr<XcbConnection> m_connection;
    AppIdResolver m_resolver;
};
