#include "core/capture/CaptureError.h"

QString CaptureErrors::description(CaptureError error)
{
    switch (error) {
    case CaptureError::NoDisplays:
        return QStringLiteral("No displays available to capture.");
    case CaptureError::EncodingFailed:
        return QStringLiteral("Failed to encode screenshot.");
    }
    return {};
}
