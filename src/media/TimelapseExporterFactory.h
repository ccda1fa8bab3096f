#pragma once

#include "core/timelapse/TimelapseExporter.h"
#include "media/FfmpegVideoWriter.h"

#include <memory>

// The exporter the application uses: the media image codec for JPEG, PNG and
// HEIC screenshots and FFmpeg's H.264 writer with the shipped encoder settings.
class TimelapseExporterFactory
{
public:
    static FfmpegVideoWriter::Options shippedOptions();
    static std::shared_ptr<const TimelapseExporter> create();
};
