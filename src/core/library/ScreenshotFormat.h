#pragma once

#include <QString>

#include <optional>

// Image format of new screenshots. The raw value is what the settings store
// keeps; its lowercase form is the file extension ("png", "jpeg", "heic").
enum class ScreenshotFormat { Png, Jpeg, Heic };

namespace ScreenshotFormats {
QString rawValue(ScreenshotFormat format);                         // "PNG", "JPEG", "HEIC"
std::optional<ScreenshotFormat> fromRawValue(const QString& raw);  // exact match only
QString fileExtension(ScreenshotFormat format);                    // "png", "jpeg", "heic"
}  // namespace ScreenshotFormats
