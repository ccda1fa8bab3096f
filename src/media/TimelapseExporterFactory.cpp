#include "media/TimelapseExporterFactory.h"

#include "media/image/MediaImageCodec.h"

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
