#pragma once

#include "core/library/ImageCodec.h"
#include "media/MediaModule.h"

struct HeifFunctions;

// The real image codec: JPEG through TurboJPEG, PNG through libpng, HEIC
// through libheif (from its module, loaded on the first HEIC image). Safe to
// use from several threads at once.
class MediaImageCodec : public ImageCodec
{
public:
    // One quality setting drives JPEG and HEIC. libheif's number means much
    // more detail than the same JPEG number (quality 60 keeps ~17 dB more
    // PSNR on screen content, in a larger file), so the HEIC quality is the
    // JPEG one scaled by this factor: at every setting the HEIC file is then
    // smaller than the JPEG and still measurably closer to the original.
    static constexpr double kHeicQualityScale = 0.5;

    static int qualityPercent(double quality);      // 0…1 → 1…100, rounded
    static int heicQualityPercent(double quality);  // 0…1 → libheif's 0…100

    Result<QByteArray> encode(const Bitmap& image, ScreenshotFormat format, double quality) override;
    Result<Bitmap> decode(const QByteArray& data) override;
    Result<Bitmap> decodeFile(const QString& path) override;

private:
    const HeifFunctions* heifFunctions();  // nullptr when the module is missing

    MediaModule m_heifModule{"heif"};
};
