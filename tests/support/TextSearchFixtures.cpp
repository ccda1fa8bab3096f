#include "support/TextSearchFixtures.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

namespace TextSearchFixtures {

QImage renderText(const QStringList& lines, bool dark, QSize size, int pixelSize)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(dark ? QColor(30, 31, 36) : QColor(250, 250, 250));
    QPainter painter(&image);
    QFont font("DejaVu Sans");
    font.setPixelSize(pixelSize);
    painter.setFont(font);
    painter.setPen(dark ? QColor(225, 225, 230) : QColor(25, 25, 25));
    const QFontMetrics metrics(font);
    for (int i = 0, y = 20 + metrics.ascent(); i < lines.size(); ++i, y += int(metrics.height() * 1.4))
        painter.drawText(20, y, lines[i]);
    return image;
}

Bitmap toBitmap(const QImage& image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    return Bitmap{argb.width(), argb.height(), int(argb.bytesPerLine()),
                  QByteArray(reinterpret_cast<const char*>(argb.constBits()), argb.sizeInBytes())};
}

}  // namespace TextSearchFixtures
