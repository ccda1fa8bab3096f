#include "media/image/MediaImageCodec.h"

#include "media/image/HeifSignature.h"
#include "media/image/JpegCodec.h"
#include "media/image/PngCodec.h"
#include "media/modules/ModuleEntries.h"

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
        if (const HeifFunctions* heif = heifFunctions())
            return heif->encode(image, heicQualityPercent(quality));
        return Result<QByteArray>::failure(m_heifModule.errorString());
    }
    return Result<QByteArray>::failure(QStringLiteral("Unknown image format."));
}

Result<Bitmap> MediaImageCodec::decode(const QByteArray& data)
{
    if (JpegCodec::looksLikeJpeg(data))
        return JpegCodec::decode(data);
    if (PngCodec::looksLikePng(data))
        return PngCodec::decode(data);
    if (HeifSignature::matches(data)) {
        if (const HeifFunctions* heif = heifFunctions())
            return heif->decode(data);
        return Result<Bitmap>::failure(m_heifModule.errorString());
    }
    return Result<Bitmap>::failure(QStringLiteral("Not a PNG, JPEG or HEIC image."));
}

const HeifFunctions* MediaImageCodec::heifFunctions()
{
    const auto get = m_heifModule.entry<GetHeifFunctions>(kGetHeifFunctions);
    return get ? get() : nullptr;
}

Result<Bitmap> MediaImageCodec::decodeFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result<Bitmap>::failure(QStringLiteral("Couldn't read %1: %2").arg(path, file.errorString()));
    return decode(file.readAll());
}
