#pragma once

#include "core/Bitmap.h"
#include "core/Result.h"
#include "core/library/ScreenshotFormat.h"

#include <QByteArray>
#include <QString>

// Encodes and decodes PNG, JPEG and HEIC images.
class ImageCodec
{
public:
    virtual ~ImageCodec() = default;
    // quality 0…1 for JPEG and HEIC; ignored for PNG.
    virtual Result<QByteArray> encode(const Bitmap& image, ScreenshotFormat format, double quality) = 0;
    // Decodes by content, not by name. Fails with a message for anything else.
    virtual Result<Bitmap> decode(const QByteArray& data) = 0;
    virtual Result<Bitmap> decodeFile(const QString& path) = 0;
};
