#pragma once

#include "core/Bitmap.h"
#include "core/Result.h"

#include <QByteArray>

// HEIC through libheif with the x265 encoder. The image is converted to
// full-range BT.601 YCbCr 4:2:0 here (cheaper than libheif's generic
// converter) and tagged with a matching colour profile. x265 runs with a fast
// preset on one thread: the slow default preset costs seconds of CPU time per
// 1080p image.
class HeifCodec
{
public:
    static constexpr const char* kPreset = "ultrafast";

    // quality 0…100 on libheif's scale (x265 CRF = (100 − quality) / 2)
    static Result<QByteArray> encode(const Bitmap& image, int quality);
    static Result<Bitmap> decode(const QByteArray& data);
};
