#pragma once

#include "core/timelapse/TimelapseExporter.h"

#include <memory>

// The exporter the application uses: the media image codec for JPEG, PNG and
// HEIC screenshots and FFmpeg's H.264 writer with the shipped encoder settings,
// from its module, loaded on the first export.
class TimelapseExporterFactory
{
public:
    static std::shared_ptr<const TimelapseExporter> create();
};
