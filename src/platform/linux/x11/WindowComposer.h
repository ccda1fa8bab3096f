#pragma once

#include "core/Bitmap.h"
#include "core/Result.h"
#include "platform/linux/x11/RectRegion.h"
#include "platform/linux/x11/StackedWindow.h"

#include <QHash>
#include <QList>
#include <QRect>

class ShmGrabber;
class XcbConnection;

// Takes excluded windows out of a grabbed image of the screen. Where they
// were, the picture is rebuilt from the other windows' own contents, bottom
// to top over the wallpaper, read from the off-screen pixmaps that
// XComposite keeps for every top-level window (redirected automatically by
// us, so a running compositor is not needed). Without XComposite, or when a
// window's contents cannot be read, the visible parts of the excluded
// windows are painted black instead.
class WindowComposer
{
public:
    WindowComposer(XcbConnection& connection, ShmGrabber& grabber)
        : m_connection(connection)
        , m_grabber(grabber)
    {
    }

    void setCompositeAllowed(bool allowed) { m_compositeAllowed = allowed; }
    // Whether hide() would rebuild from window pixmaps that are not set up yet.
    // Setting them up (prepare()) must happen outside a server grab, since
    // clients have to repaint their windows into them.
    bool needsPreparing(const QRect& area, const QList<StackedWindow>& windows, const QList<bool>& excluded) const;
    void prepare();

    // image shows `area` of the root window; excluded[i] says whether windows[i] goes.
    // Fails only when the connection is lost.
    Result<void> hide(Bitmap& image, const QRect& area, const QList<StackedWindow>& windows,
                      const QList<bool>& excluded);

private:
    static RectRegion hiddenRegion(const QRect& area, const QList<StackedWindow>& windows, const QList<bool>& excluded);
    bool ensureRedirected();
    bool rebuild(Bitmap& image, const QRect& area, const RectRegion& region, const QList<StackedWindow>& windows,
                 const QList<bool>& excluded);
    bool drawWindow(Bitmap& image, const QRect& area, const QRect& piece, const StackedWindow& window,
                    QHash<xcb_window_t, quint32>& pixmaps);
    void drawBackground(Bitmap& image, const QRect& area, const QRect& piece);
    static void paintOver(Bitmap& image, const QRect& area, const QList<StackedWindow>& windows,
                          const QList<bool>& excluded);
    static void fill(Bitmap& image, const QRect& rect, quint32 argb);
    static void place(Bitmap& image, const Bitmap& part, const QPoint& at, bool blend);

    XcbConnection& m_connection;
    ShmGrabber& m_grabber;
    bool m_compositeAllowed = true;
    bool m_redirectTried = false;
    bool m_redirected = false;
};
