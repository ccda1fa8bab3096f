#pragma once

#include <QString>

#include <optional>

// The low-disk pause: capture stops when free space drops below the limit
// and resumes only once it reaches the limit plus a margin, so that a disk
// hovering at the limit does not flap. One log line per change.
class FreeSpaceGate
{
public:
    static constexpr qint64 kHysteresisBytes = 1000000000;

    struct Verdict
    {
        bool isLow = false;
        std::optional<qint64> lowSpaceFreeBytes;  // the engine's new value
        QString logLine;                          // empty = nothing to log
    };

    // `limit` nothing = limit off; `free` nothing = not measured or unknown;
    // `wasLowFreeBytes` = the engine's current lowSpaceFreeBytes.
    static Verdict evaluate(std::optional<qint64> limit, std::optional<qint64> free,
                            std::optional<qint64> wasLowFreeBytes);
};
