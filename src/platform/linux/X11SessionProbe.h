#pragma once

#include <optional>

struct xcb_connection_t;

// Facts about the X session that gates ask on every tick: seconds since the
// last keyboard or pointer input (XScreenSaver extension) and whether the
// displays are powered down (DPMS). Owns its own connection.
class X11SessionProbe
{
public:
    X11SessionProbe();  // connects to $DISPLAY
    ~X11SessionProbe();
    X11SessionProbe(const X11SessionProbe&) = delete;
    X11SessionProbe& operator=(const X11SessionProbe&) = delete;

    bool isConnected() const;
    std::optional<double> secondsSinceLastInput();
    // True when DPMS is enabled and the monitors are in standby, suspend or
    // off; nothing when the server has no DPMS or cannot be asked.
    std::optional<bool> allDisplaysOff();

private:
    xcb_connection_t* m_connection = nullptr;
    int m_screen = 0;
};
