#include "media/TimelapseExporterFactory.h"

#include "core/capture/ImageCodec.h"

#if __has_include("media/image/MediaImageCodec.h")
#include "media/image/MediaImageCodec.h"
#define MOMENTRA_HAS_MEDIA_IMAGE_CODEC 1
#endif

namespace {

#ifndef MOMENTRA_HAS_MEDIA_IMAGE_CODEC
// Stands in until the media image codec is part of the build.
class MissingImageCodec : public ImageCodec
{
public:
    Result<QByteArray> encode(const Bitmap&, ScreenshotFormat, double) override { return failure<QByteArray>(); }
    Result<Bitmap> decode(const QByteArray&) override { return failure<Bitmap>(); }
    Result<Bitmap> decodeFile(const QString&) override { return failure<Bitmap>(); }

private:
    template <typename T>
    static Result<T> failure()
    {
        return Result<T>::failure(QStringLiteral("Image decoding is not available in this build."));
    }
};
using MediaImageCodec = MissingImageCodec;
#endif

}  // namespace

FfmpegVideoWriter::Options TimelapseExporterFactory::shippedOptions()
{
    FfmpegVideoWriter::Options options;
    options.preset = QStringLiteral("veryfast");
    options.boundsMemory = true;
    return options;
}

std::shared_ptr<const TimelapseExporter> TimelapseExporterFactory::create()
{
    return std::make_shared<TimelapseExporter>(std::make_shared<MediaImageCodec>(), [] {
        return std::make_unique<FfmpegVideoWriter>(shippedOptions());
    });
}
