#include "support/TimelapseTestCodec.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QThread>

namespace {

Result<Bitmap> toBitmap(QImage image)
{
    if (image.isNull())
        return Result<Bitmap>::failure(QStringLiteral("not an image"));
    image = image.convertToFormat(QImage::Format_ARGB32);
    Bitmap bitmap{image.width(), image.height(), int(image.bytesPerLine()),
                  QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes())};
    return bitmap;
}

}  // namespace

Result<QByteArray> TimelapseTestCodec::encode(const Bitmap&, ScreenshotFormat, double)
{
    return Result<QByteArray>::failure(QStringLiteral("encoding is not part of this test codec"));
}

Result<Bitmap> TimelapseTestCodec::decode(const QByteArray& data)
{
    ++m_decodes;
    if (m_delayMs > 0)
        QThread::msleep(m_delayMs);
    return toBitmap(QImage::fromData(data));
}

Result<Bitmap> TimelapseTestCodec::decodeFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result<Bitmap>::failure(file.errorString());
    return decode(file.readAll());
}

void TimelapseTestCodec::writeImage(const QString& path, QSize size, const QColor& colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QPainter painter(&image);
    painter.fillRect(0, 0, std::max(1, size.width() / 8), std::max(1, size.height() / 8), Qt::white);
    painter.end();
    image.save(path, path.endsWith(QLatin1String(".png")) ? "PNG" : "JPEG", 95);
}
