#pragma once

#include <QDateTime>

#include <optional>

// What one cleanup pass did. A pass that could not list the screenshots
// folder has no result at all (an empty optional), which is not the same as
// a pass that found nothing to remove.
struct SweepResult
{
    int trashed = 0;                           // files moved to the Trash or deleted
    int failed = 0;                            // own screenshots that could not be removed
    std::optional<QDateTime> oldestRemaining;  // creation date of the oldest own screenshot left
    bool stopped = false;                      // the pass was stopped before it finished

    bool operator==(const SweepResult&) const = default;
};
