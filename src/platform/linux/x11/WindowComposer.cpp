#include "platform/linux/x11/WindowComposer.h"

#include "platform/linux/x11/ShmGrabber.h"
#include "platform/linux/x11/XcbConnection.h"
#include "platform/linux/x11/XcbReply.h"

#include <QThread>

#include <xcb/composite.h>

namespace {
constexpr quint32 kHiddenColour = 0xff000000u;
constexpr int kRepaintWaitMs = 60;  // clients repaint after their windows get their own pixmaps
}

Result<void> WindowComposer::hide(Bitmap& image, const QRect& area, const QList<StackedWindow>& windows,
                                  const QList<bool>& excluded)
{
    const RectRegion region = hiddenRegion(area, windows, excluded);
    if (region.isEmpty())
        return Result<void>::success();
    const bool rebuilt = m_compositeAllowed && m_redirected && rebuild(image, area, region, windows, excluded);
    if (m_connection.isBroken())
        return Result<void>::failure(XcbConnection::lostMessage());
    if (!rebuilt)
        paintOver(image, area, windows, excluded);
    return Result<void>::success();
}

RectRegion WindowComposer::hiddenRegion(const QRect& area, const QList<StackedWindow>& windows,
                                        const QList<bool>& excluded)
{
    RectRegion region;
    for (qsizetype i = 0; i < windows.size(); ++i)
        if (excluded[i] && windows[i].viewable)
            region.add(windows[i].bounds.intersected(area));
    return region;
}

bool WindowComposer::needsPreparing(const QRect& area, const QList<StackedWindow>& windows,
                                    const QList<bool>& excluded) const
{
    return m_compositeAllowed && !m_redirectTried && !hiddenRegion(area, windows, excluded).isEmpty();
}

void WindowComposer::prepare()
{
    if (m_compositeAllowed)
        ensureRedirected();
}

bool WindowComposer::ensureRedirected()
{
    if (m_redirectTried)
        return m_redirected;
    m_redirectTried = true;
    xcb_connection_t* c = m_connection.get();
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_composite_id);
    if (!extension || !extension->present)
        return false;
    XcbReply<xcb_composite_query_version_reply_t> version(
        xcb_composite_query_version_reply(c, xcb_composite_query_version(c, 0, 4), nullptr));
    if (!version || (version->major_version == 0 && version->minor_version < 2))
        return false;
    // Automatic redirection leaves the screen looking the same; it only gives every
    // top-level window a pixmap of its own, which stays filled while it is covered.
    XcbReply<xcb_generic_error_t> error(xcb_request_check(
        c, xcb_composite_redirect_subwindows_checked(c, m_connection.root(), XCB_COMPOSITE_REDIRECT_AUTOMATIC)));
    if (error)
        return false;
    QThread::msleep(kRepaintWaitMs);
    m_redirected = true;
    return true;
}

bool WindowComposer::rebuild(Bitmap& image, const QRect& area, const RectRegion& region,
                             const QList<StackedWindow>& windows, const QList<bool>& excluded)
{
    QHash<xcb_window_t, quint32> pixmaps;
    bool complete = true;
    for (const QRect& piece : region.rects()) {
        drawBackground(image, area, piece);
        for (qsizetype i = 0; complete && i < windows.size(); ++i) {
            const StackedWindow& window = windows[i];
            if (!excluded[i] && window.viewable && window.bounds.intersects(piece))
                complete = drawWindow(image, area, piece, window, pixmaps);
        }
        if (!complete)
            break;
    }
    for (quint32 pixmap : std::as_const(pixmaps))
        xcb_free_pixmap(m_connection.get(), pixmap);
    return complete;
}

bool WindowComposer::drawWindow(Bitmap& image, const QRect& area, const QRect& piece, const StackedWindow& window,
                                QHash<xcb_window_t, quint32>& pixmaps)
{
    xcb_connection_t* c = m_connection.get();
    auto named = pixmaps.constFind(window.frame);
    if (named == pixmaps.constEnd()) {
        const xcb_pixmap_t pixmap = xcb_generate_id(c);
        XcbReply<xcb_generic_error_t> error(
            xcb_request_check(c, xcb_composite_name_window_pixmap_checked(c, window.frame, pixmap)));
        if (error)
            return false;
        named = pixmaps.insert(window.frame, pixmap);
    }
    const QRect overlap = window.bounds.intersected(piece);
    const bool hasAlpha = window.depth == 32;
    Result<Bitmap> part = m_grabber.grab(*named, window.depth, overlap.translated(-window.bounds.topLeft()), hasAlpha);
    if (!part)
        return false;
    place(image, *part, overlap.topLeft() - area.topLeft(), hasAlpha);
    return true;
}

void WindowComposer::drawBackground(Bitmap& image, const QRect& area, const QRect& piece)
{
    // The wallpaper, when the session publishes it as a root pixmap; else black.
    for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"}) {
        const QByteArray value = m_connection.property(m_connection.root(), m_connection.atom(name), XCB_ATOM_PIXMAP);
        if (value.size() < 4)
            continue;
        const xcb_pixmap_t wallpaper = *reinterpret_cast<const quint32*>(value.constData());
        Result<Bitmap> part = m_grabber.grab(wallpaper, m_connection.screen()->root_depth, piece);
        if (part) {
            place(image, *part, piece.topLeft() - area.topLeft(), false);
            return;
        }
    }
    fill(image, piece.translated(-area.topLeft()), kHiddenColour);
}

void WindowComposer::paintOver(Bitmap& image, const QRect& area, const QList<StackedWindow>& windows,
                               const QList<bool>& excluded)
{
    for (qsizetype i = 0; i < windows.size(); ++i) {
        if (!excluded[i] || !windows[i].viewable)
            continue;
        RectRegion visible(windows[i].bounds.intersected(area));
        // Opaque windows above hide it; translucent ones (depth 32) may let it show through.
        for (qsizetype j = i + 1; j < windows.size(); ++j)
            if (windows[j].viewable && !excluded[j] && windows[j].depth != 32)
                visible.subtract(windows[j].bounds);
        for (const QRect& rect : visible.rects())
            fill(image, rect.translated(-area.topLeft()), kHiddenColour);
    }
}

void WindowComposer::fill(Bitmap& image, const QRect& rect, quint32 argb)
{
    const QRect clipped = rect.intersected(QRect(0, 0, image.width, image.height));
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        auto* row = reinterpret_cast<quint32*>(image.row(y));
        std::fill(row + clipped.left(), row + clipped.left() + clipped.width(), argb);
    }
}

void WindowComposer::place(Bitmap& image, const Bitmap& part, const QPoint& at, bool blend)
{
    const QRect target = QRect(at, QSize(part.width, part.height)).intersected(QRect(0, 0, image.width, image.height));
    for (int y = target.top(); y <= target.bottom(); ++y) {
        const auto* from = reinterpret_cast<const quint32*>(part.row(y - at.y())) + (target.left() - at.x());
        auto* to = reinterpret_cast<quint32*>(image.row(y)) + target.left();
        for (int x = 0; x < target.width(); ++x) {
            const quint32 source = from[x];
            if (!blend) {
                to[x] = source | 0xff000000u;
                continue;
            }
            // Premultiplied "over": dest = source + dest × (1 − source alpha).
            const quint32 keep = 255 - (source >> 24);
            const quint32 dest = to[x];
            const quint32 rb = (((dest & 0x00ff00ffu) * keep + 0x00800080u) >> 8) & 0x00ff00ffu;
            const quint32 g = (((dest & 0x0000ff00u) * keep + 0x00008000u) >> 8) & 0x0000ff00u;
            to[x] = (source + rb + g) | 0xff000000u;
        }
    }
}
