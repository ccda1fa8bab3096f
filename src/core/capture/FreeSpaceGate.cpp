#include "core/capture/FreeSpaceGate.h"

#include "core/capture/ByteCountText.h"

#include <limits>

FreeSpaceGate::Verdict FreeSpaceGate::evaluate(std::optional<qint64> limit, std::optional<qint64> free,
                                               std::optional<qint64> wasLowFreeBytes)
{
    const bool wasLow = wasLowFreeBytes.has_value();
    if (!limit || !free) {
        if (!wasLow)
            return {};
        return {false, std::nullopt, QStringLiteral("Capturing again: free-space limit off")};
    }
    if (!wasLow) {
        if (*free >= *limit)
            return {};
        return {true, free,
                QStringLiteral("Low disk space: %1 free, limit %2; skipping captures")
                    .arg(ByteCountText::file(*free), ByteCountText::file(*limit))};
    }
    const qint64 resumeAt = *limit > std::numeric_limits<qint64>::max() - kHysteresisBytes
                                ? std::numeric_limits<qint64>::max()
                                : *limit + kHysteresisBytes;
    if (*free < resumeAt)
        return {true, free, QString()};
    return {false, std::nullopt, QStringLiteral("Capturing again: %1 free").arg(ByteCountText::file(*free))};
}
