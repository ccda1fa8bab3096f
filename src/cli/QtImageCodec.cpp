#include "cli/QtImageCodec.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

namespace {

Result<Bitmap> toBitmap(const QImage& decoded, const QString& what)
{
    if (decoded.isNull())
        return Result<Bitmap>::failure(QStringLiteral("%1 is not an image that can be read").arg(what));
    const QImage image = decoded.convertToFormat(QImage::Format_ARGB32);
    return Bitmap{image.width(), image.height(), int(image.bytesPerLine()),
                  QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes())};
}

}  // namespace

Result<QByteArray> QtImageCodec::encode(const Bitmap&, ScreenshotFormat, double)
{
    return Result<QByteArray>::failure(QStringLiteral("Encoding isn't available here"));
}

Result<Bitmap> QtImageCodec::decode(const QByteArray& data)
{
    QBuffer buffer;
    buffer.setData(data);
    QImageReader reader(&buffer);
    return toBitmap(reader.read(), QStringLiteral("The data"));
}

Result<Bitmap> QtImageCodec::decodeFile(const QString& path)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    return toBitmap(reader.read(), path);
}
