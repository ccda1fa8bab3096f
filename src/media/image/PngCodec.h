#pragma once

#include "core/Bitmap.h"
#include "core/Result.h"

#include <QByteArray>

// PNG through libpng, tuned for speed: zlib level 1 and the "sub" filter,
// which suits screen content (flat areas, text) at a fraction of the cost of
// adaptive filtering. Opaque images are written as RGB, others as RGBA.
class PngCodec
{
public:
    static constexpr int kCompressionLevel = 1;

    static bool looksLikePng(const QByteArray& data);
    static Result<QByteArray> encode(const Bitmap& image);
    static Result<Bitmap> decode(const QByteArray& data);
};
