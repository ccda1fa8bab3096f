#include "support/TimelapseTestCodec.h"
#include "support/TextSearchFixtures.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QThread>

Result<QByteArray> TimelapseTestCodec::encode(const Bitmap&, ScreenshotFormat, double)
{
    return Result<QByteArray>::failure("encoding is not part of this test codec");
}

Result<Bitmap> TimelapseTestCodec::decode(const QByteArray& data)
{
    if (m_delayMs > 0)
        QThread::msleep(m_delayMs);
    const QImage image = QImage::fromData(data);
    if (image.isNull())
        return Result<Bitmap>::failure("not an image");
    return TextSearchFixtures::toBitmap(image);
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
