#pragma once

#include "core/Bitmap.h"

#include <QPoint>

class XcbConnection;

// Draws the pointer into a grabbed image: the XFixes cursor image, blended
// (premultiplied ARGB) with its hot spot at the pointer position.
class CursorOverlay
{
public:
    explicit CursorOverlay(XcbConnection& connection)
        : m_connection(connection)
    {
    }

    // image shows the root window from `origin`. Does nothing when XFixes is missing.
    void draw(Bitmap& image, const QPoint& origin);

    // Blends a premultiplied ARGB cursor whose top-left corner lands at `at` in image.
    static void blend(Bitmap& image, const quint32* cursor, int width, int height, const QPoint& at);

private:
    bool ensureXFixes();

    XcbConnection& m_connection;
    bool m_checked = false;
    bool m_available = false;
};
