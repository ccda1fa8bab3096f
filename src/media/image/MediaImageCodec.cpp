#include "media/image/MediaImageCodec.h"

#include "media/image/HeifCodec.h"
#include "media/image/JpegCodec.h"
#include "media/image/PngCodec.h"

#include <QFile>

#include <cmath>

int MediaImageCodec::qualityPercent(double quality)
{
    if (!std::isfinite(quality))
        quality = 0.6;
    return qBound(1, int(std::lround(quality * 100)), 100);
}

int MediaImageCodec::heicQualityPercent(double quality)
{
    return qBound(0, int(std::lround(qualityPercent(quality) * kHeicQualityScale)), 100);
}

Result<QByteArray> MediaImageCodec::encode(const Bitmap& image, ScreenshotFormat format, double quality)
{
    switch (format) {
    case ScreenshotFormat::Jpeg:
        return JpegCodec::encode(image, qualityPercent(quality));
    case ScreenshotFormat::Png:
        return PngCodec::encode(image);
    case ScreenshotFormat::Heic:
        return HeifCodec::encode(image, heicQualityPercent(quality));
    }
    return Result<QByteArray>::failure(QStringLiteral("Unknown image format."));
}

Result<Bitmap> MediaImageCodec::decode(const QByteArray& data)
{
    if (JpegCodec::looksLikeJpeg(data))
        return JpegCodec::decode(data);
    if (PngCodec::looksLikePng(data))
        return PngCodec::decode(data);
    if (HeifCodec::looksLikeHeif(data))
        return HeifCodec::decode(data);
    return Result<Bitmap>::failure(QStringLiteral("Not a PNG, JPEG or HEIC image."));
}

Result<Bitmap> MediaImageCodec::decodeFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result<Bitmap>::failure(QStringLiteral("Couldn't read %1: %2").arg(path, file.errorString()));
    return decode(file.readAll());
}
