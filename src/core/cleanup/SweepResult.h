#pragma once

#include <QDateTime>
#include <QMap>
#include <QString>

#include <optional>

// What one cleanup pass did. A pass that could not list the screenshots
// folder has no result at all (an empty optional), which is not the same as
// a pass that found nothing to remove.
struct SweepResult
{
    int trashed = 0;                           // files moved to the Trash or deleted
    int failed = 0;                            // own screenshots not removed, and day folders not read
    std::optional<QDateTime> oldestRemaining;  // creation date of the oldest own screenshot left
    bool stopped = false;                      // the pass was stopped before it finished
    int dayFolders = 0;                        // day folders it removed screenshots from (a dry run: would)
    // Why: each cause (the system's words, no file name) with how many own
    // screenshots it kept, or how many day folders could not be read.
    QMap<QString, int> removalFailures;
    QMap<QString, int> unreadableFolders;

    bool operator==(const SweepResult&) const = default;
};
