#pragma once

#include "core/Bitmap.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QStringList>

// Images of known text for the recogniser and the commands that use it.
namespace TextSearchFixtures {

// Lines of text drawn in a common desktop font, dark on light or light on dark.
inline QImage renderText(const QStringList& lines, bool dark = false, QSize size = QSize(900, 300), int pixelSize = 18)
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

// Lines of fourteen common words, a page that takes a while to read.
inline QStringList denseLines(int count)
{
    static const char* const words[] = {"schedule", "payment", "network", "quarter", "release", "garden",
                                        "ticket",   "monitor", "journey", "harbor",  "pepper",  "walnut"};
    QStringList lines;
    for (int i = 0; i < count; ++i) {
        QString line;
        for (int j = 0; j < 14; ++j)
            line += QString::fromLatin1(words[(i * 5 + j * 7) % 12]) + QLatin1Char(' ');
        lines.append(line);
    }
    return lines;
}

inline Bitmap toBitmap(const QImage& image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    return Bitmap{argb.width(), argb.height(), int(argb.bytesPerLine()),
                  QByteArray(reinterpret_cast<const char*>(argb.constBits()), argb.sizeInBytes())};
}

}  // namespace TextSearchFixtures
