#pragma once

#include "core/capture/ImageCodec.h"

// Decoding through Qt's image readers, for the command line's text reading
// until the media layer's own codec is wired in. Decodes by content; does
// not encode. Safe to use from several threads.
class QtImageCodec : public ImageCodec
{
public:
    Result<QByteArray> encode(const Bitmap& image, ScreenshotFormat format, double quality) override;
    Result<Bitmap> decode(const QByteArray& data) override;
    Result<Bitmap> decodeFile(const QString& path) override;
};
