#include "DesktopPicture.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>

#include <xcb/xcb.h>

#include <cstdlib>

QImage DesktopPicture::make(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient wallpaper(0, 0, width, height);
    wallpaper.setColorAt(0, QColor(0x1d, 0x3b, 0x6b));
    wallpaper.setColorAt(1, QColor(0x8a, 0x4b, 0x7c));
    p.fillRect(image.rect(), wallpaper);
    p.fillRect(0, 0, width, 28, QColor(0x20, 0x20, 0x20));
    const QRect editor(width / 20, height / 12, width / 2, height * 5 / 6);
    p.fillRect(editor, Qt::white);
    p.setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 10));
    p.setPen(Qt::black);
    for (int y = editor.top() + 20, i = 1; y < editor.bottom(); y += 16, ++i)
        p.drawText(editor.left() + 10, y,
                   QStringLiteral("%1  for (const auto& file : folder.entries()) total += file.size() * %2;")
                       .arg(i, 3).arg(i % 9));
    const QRect browser(width * 6 / 10, height / 8, width * 35 / 100, height / 2);
    p.fillRect(browser, QColor(0xf6, 0xf6, 0xf6));
    p.setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    p.setPen(QColor(0x33, 0x33, 0x33));
    for (int y = browser.top() + 30; y < browser.bottom() - 10; y += 18)
        p.drawText(browser.left() + 12, y, QStringLiteral("Pack my box with five dozen liquor jugs, then sail on."));
    QImage photo(width * 35 / 100, height * 3 / 10, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x) {
            const int n = int(random.bounded(24));
            photo.setPixel(x, y, qRgb(qBound(0, 80 + x / 5 + n, 255), qBound(0, 110 + y / 3 + n, 255), 150 + n));
        }
    p.drawImage(width * 6 / 10, height * 2 / 3, photo);
    p.end();
    return image;
}

QString DesktopPicture::show(const QImage& picture, const QString& display)
{
    xcb_connection_t* c = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return QStringLiteral("cannot connect to %1").arg(display);
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_create_pixmap(c, screen->root_depth, pixmap, screen->root, picture.width(), picture.height());
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, pixmap, 0, nullptr);
    // Strips small enough for any request size limit.
    const int rowsPerStrip = std::max(1, (64 * 1024) / (picture.width() * 4));
    for (int y = 0; y < picture.height(); y += rowsPerStrip) {
        const int rows = std::min(rowsPerStrip, picture.height() - y);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, picture.width(), rows, 0, y, 0, screen->root_depth,
                      picture.width() * rows * 4, picture.constScanLine(y));
    }
    xcb_change_window_attributes(c, screen->root, XCB_CW_BACK_PIXMAP, &pixmap);
    xcb_clear_area(c, 0, screen->root, 0, 0, 0, 0);
    xcb_free_gc(c, gc);
    xcb_free_pixmap(c, pixmap);  // the root keeps its own reference
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    const bool ok = !xcb_connection_has_error(c);
    xcb_disconnect(c);
    return ok ? QString() : QStringLiteral("the X server refused the picture");
}
