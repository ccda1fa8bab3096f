#include "core/library/ScreenshotFormat.h"

namespace ScreenshotFormats {

QString rawValue(ScreenshotFormat format)
{
    switch (format) {
    case ScreenshotFormat::Png:
        return QStringLiteral("PNG");
    case ScreenshotFormat::Jpeg:
        return QStringLiteral("JPEG");
    case ScreenshotFormat::Heic:
        return QStringLiteral("HEIC");
    }
    return QStringLiteral("JPEG");
}

std::optional<ScreenshotFormat> fromRawValue(const QString& raw)
{
    for (ScreenshotFormat f : {ScreenshotFormat::Png, ScreenshotFormat::Jpeg, ScreenshotFormat::Heic}) {
        if (rawValue(f) == raw)
            return f;
    }
    return std::nullopt;
}

QString fileExtension(ScreenshotFormat format)
{
    return rawValue(format).toLower();
}

}  // namespace ScreenshotFormats
