#pragma once

#include <QImage>
#include <QString>

// A synthetic desktop (gradient wallpaper, a text editor, a browser page, a
// photo-like area) put on an X server as the root window's background, so
// that every grab sees the same pixels.
class DesktopPicture
{
public:
    static QImage make(int width, int height);
    // Returns an error text, empty on success.
    static QString show(const QImage& picture, const QString& display);
};
