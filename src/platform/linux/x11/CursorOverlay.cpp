#include "platform/linux/x11/CursorOverlay.h"

#include "platform/linux/x11/XcbConnection.h"
#include "platform/linux/x11/XcbReply.h"

#include <QRect>

#include <xcb/xfixes.h>

void CursorOverlay::draw(Bitmap& image, const QPoint& origin)
{
    if (!ensureXFixes())
        return;
    xcb_connection_t* c = m_connection.get();
    XcbReply<xcb_xfixes_get_cursor_image_reply_t> cursor(
        xcb_xfixes_get_cursor_image_reply(c, xcb_xfixes_get_cursor_image(c), nullptr));
    if (!cursor || xcb_xfixes_get_cursor_image_cursor_image_length(cursor.get()) < cursor->width * cursor->height)
        return;
    const QPoint at(cursor->x - cursor->xhot - origin.x(), cursor->y - cursor->yhot - origin.y());
    blend(image, xcb_xfixes_get_cursor_image_cursor_image(cursor.get()), cursor->width, cursor->height, at);
}

void CursorOverlay::blend(Bitmap& image, const quint32* cursor, int width, int height, const QPoint& at)
{
    const QRect target = QRect(at, QSize(width, height)).intersected(QRect(0, 0, image.width, image.height));
    for (int y = target.top(); y <= target.bottom(); ++y) {
        const quint32* from = cursor + qsizetype(y - at.y()) * width + (target.left() - at.x());
        auto* to = reinterpret_cast<quint32*>(image.row(y)) + target.left();
        for (int x = 0; x < target.width(); ++x) {
            const quint32 source = from[x];
            const quint32 alpha = source >> 24;
            if (alpha == 0)
                continue;
            const quint32 keep = 255 - alpha;
            const quint32 dest = to[x];
            quint32 out = 0xff000000u;
            for (int shift : {0, 8, 16}) {
                const quint32 value = ((source >> shift) & 0xff) + (((dest >> shift) & 0xff) * keep + 127) / 255;
                out |= std::min<quint32>(value, 255) << shift;
            }
            to[x] = out;
        }
    }
}

bool CursorOverlay::ensureXFixes()
{
    if (m_checked)
        return m_available;
    m_checked = true;
    xcb_connection_t* c = m_connection.get();
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_xfixes_id);
    if (!extension || !extension->present)
        return false;
    // The server answers XFixes requests only after the client said which version it speaks.
    XcbReply<xcb_xfixes_query_version_reply_t> version(
        xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 4, 0), nullptr));
    m_available = version && version->major_version >= 1;
    return m_available;
}
