#pragma once

#include "core/Bitmap.h"

#include <QByteArray>
#include <QList>
#include <QRect>
#include <QTest>

#include <xcb/randr.h>
#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>

#include <cstdlib>
#include <cstring>

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

    X11TestDesk()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (!xcb_connection_has_error(m_connection))
            m_screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
    }
    ~X11TestDesk() { xcb_disconnect(m_connection); }

    bool isConnected() const { return m_screen && !xcb_connection_has_error(m_connection); }

    xcb_window_t show(const Window& spec)
    {
        const xcb_window_t window = xcb_generate_id(m_connection);
        const quint32 values[] = {spec.rgb, spec.overrideRedirect ? 1u : 0u};
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, m_screen->root, spec.rect.x(), spec.rect.y(),
                          spec.rect.width(), spec.rect.height(), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          m_screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_size_hints_t hints{};
        xcb_icccm_size_hints_set_position(&hints, 1, spec.rect.x(), spec.rect.y());
        xcb_icccm_size_hints_set_size(&hints, 1, spec.rect.width(), spec.rect.height());
        xcb_icccm_set_wm_normal_hints(m_connection, window, &hints);
        if (!spec.gtkApplicationId.isEmpty())
            setProperty(window, atom("_GTK_APPLICATION_ID"), atom("UTF8_STRING"), 8, spec.gtkApplicationId);
        if (!spec.wmClass.isEmpty())
            setProperty(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, spec.wmClass + '\0');
        if (!spec.windowType.isEmpty()) {
            const xcb_atom_t type = atom(spec.windowType.constData());
            setProperty(window, atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32,
                        QByteArray(reinterpret_cast<const char*>(&type), sizeof type));
        }
        xcb_map_window(m_connection, window);
        m_windows.append(window);
        sync();
        return window;
    }

    void destroyAll()
    {
        for (xcb_window_t window : std::as_const(m_windows))
            xcb_destroy_window(m_connection, window);
        m_windows.clear();
        sync();
    }

    // The root window's colour, and a wallpaper pixmap of it published as _XROOTPMAP_ID.
    void setBackground(quint32 rgb)
    {
        xcb_change_window_attributes(m_connection, m_screen->root, XCB_CW_BACK_PIXEL, &rgb);
        xcb_clear_area(m_connection, 0, m_screen->root, 0, 0, 0, 0);
        const xcb_pixmap_t wallpaper = xcb_generate_id(m_connection);
        xcb_create_pixmap(m_connection, m_screen->root_depth, wallpaper, m_screen->root, m_screen->width_in_pixels,
                          m_screen->height_in_pixels);
        const xcb_gcontext_t gc = xcb_generate_id(m_connection);
        xcb_create_gc(m_connection, gc, wallpaper, XCB_GC_FOREGROUND, &rgb);
        const xcb_rectangle_t all{0, 0, m_screen->width_in_pixels, m_screen->height_in_pixels};
        xcb_poly_fill_rectangle(m_connection, wallpaper, gc, 1, &all);
        xcb_free_gc(m_connection, gc);
        setProperty(m_screen->root, atom("_XROOTPMAP_ID"), XCB_ATOM_PIXMAP, 32,
                    QByteArray(reinterpret_cast<const char*>(&wallpaper), sizeof wallpaper));
        sync();
    }

    void setOutputEdid(quint32 output, const QByteArray& edid)  // empty removes it
    {
        if (edid.isEmpty())
            xcb_randr_delete_output_property(m_connection, output, atom("EDID"));
        else
            xcb_randr_change_output_property(m_connection, output, atom("EDID"), XCB_ATOM_INTEGER, 8,
                                             XCB_PROP_MODE_REPLACE, edid.size(), edid.constData());
        sync();
    }

    void sync() { std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr)); }

    // Waits until a window manager has framed every shown window (or times out).
    bool waitForFrames(int timeoutMs = 5000)
    {
        return QTest::qWaitFor([this] {
            bool framed = true;
            for (xcb_window_t window : std::as_const(m_windows)) {
                xcb_query_tree_reply_t* tree =
                    xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr);
                framed &= tree && tree->parent != m_screen->root;
                std::free(tree);
            }
            return framed;
        }, timeoutMs);
    }

    static int count(const Bitmap& image, quint32 rgb)
    {
        int found = 0;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x)
                found += (image.pixel(x, y) & 0xffffffu) == rgb;
        return found;
    }

private:
    xcb_atom_t atom(const char* name)
    {
        xcb_intern_atom_reply_t* reply =
            xcb_intern_atom_reply(m_connection, xcb_intern_atom(m_connection, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t value = reply ? reply->atom : XCB_NONE;
        std::free(reply);
        return value;
    }

    void setProperty(xcb_window_t window, xcb_atom_t property, xcb_atom_t type, int format, const QByteArray& data)
    {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, property, type, format,
                            data.size() / (format / 8), data.constData());
    }

    xcb_connection_t* m_connection = nullptr;
    xcb_screen_t* m_screen = nullptr;
    QList<xcb_window_t> m_windows;
};
