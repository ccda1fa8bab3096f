#pragma once

#include <QRect>
#include <QString>

#include <xcb/xcb.h>

// One top-level window as the X server stacks it.
struct StackedWindow
{
    xcb_window_t frame = XCB_WINDOW_NONE;   // the child of the root window (the frame, when managed)
    xcb_window_t client = XCB_WINDOW_NONE;  // the application's window inside it, or the frame itself
    QRect bounds;                           // outer rectangle including the border, root coordinates
    quint8 depth = 0;
    bool viewable = false;
    QString appId;
    bool isDesktop = false;
    bool isNotification = false;
};
