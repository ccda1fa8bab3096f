#pragma once

#include "core/Bitmap.h"

#include <QByteArray>
#include <QList>
#include <QRect>
#include <QString>

#include <xcb/xcb.h>

// Test windows of solid colours on the current DISPLAY, made with raw xcb and
// carrying the properties that name their application. They, and the
// wallpaper, go with this object's connection.
class X11TestDesk
{
public:
    struct Window
    {
        QRect rect;
        quint32 rgb = 0;
        QByteArray gtkApplicationId;
        QByteArray wmClass;     // "instance\0Class"
        QByteArray windowType;  // "_NET_WM_WINDOW_TYPE_NOTIFICATION", …
        bool overrideRedirect = false;
    };

    X11TestDesk();
    ~X11TestDesk();

    bool isConnected() const { return m_screen && !xcb_connection_has_error(m_connection); }
    xcb_window_t show(const Window& window);
    void destroyAll();
    // The root window's colour, and a wallpaper pixmap of it published as _XROOTPMAP_ID.
    void setBackground(quint32 rgb);
    void setOutputEdid(quint32 output, const QByteArray& edid);  // empty removes it
    void sync();
    // Waits until a window manager has framed every shown window (or times out).
    bool waitForFrames(int timeoutMs = 5000);

    static int count(const Bitmap& image, quint32 rgb);

private:
    xcb_atom_t atom(const char* name);
    void setProperty(xcb_window_t window, xcb_atom_t property, xcb_atom_t type, int format, const QByteArray& data);

    xcb_connection_t* m_connection = nullptr;
    xcb_screen_t* m_screen = nullptr;
    QList<xcb_window_t> m_windows;
};
