#pragma once

#include "core/Bitmap.h"
#include "core/Result.h"

#include <QByteArray>

// JPEG through TurboJPEG: 4:2:0 chroma, the fast integer DCT below quality
// 90 (above it the fast DCT's error outweighs what the quality buys).
class JpegCodec
{
public:
    static constexpr int kAccurateDctFrom = 90;

    static bool looksLikeJpeg(const QByteArray& data);
    // quality 1…100
    static Result<QByteArray> encode(const Bitmap& image, int quality);
    static Result<Bitmap> decode(const QByteArray& data);
};
