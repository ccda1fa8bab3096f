#pragma once

#include <QByteArray>
#include <QString>

#include <xcb/xcb.h>

// Another X client that grabs a key combination on the root window, the way
// a desktop or another application holds its own shortcuts.
class ForeignKeyGrab
{
public:
    explicit ForeignKeyGrab(const QString& display);
    ~ForeignKeyGrab();

    // Grabs keysym (looked up in the keyboard map) with exactly these X
    // modifier bits. True when the server granted it.
    bool grab(quint32 keysym, quint16 modifiers);
    // Whether some client holds the whole keyboard (an open popup does).
    bool keyboardIsGrabbed();

private:
    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = 0;
};
