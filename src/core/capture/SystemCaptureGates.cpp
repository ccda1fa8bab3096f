#include "core/capture/SystemCaptureGates.h"

#include "core/capture/VolumeSpace.h"

std::optional<qint64> SystemCaptureGates::freeBytes(const QString& folder)
{
    return VolumeSpace::freeBytes(folder);
}
