#pragma once

#include "core/cleanup/CleanupStatus.h"
#include "core/cleanup/SweepResult.h"

#include <QDateTime>

#include <QString>

#include <optional>

// The sentences that tell the user what a cleanup or "Delete all" did.
// Counts use the locale's digit grouping; one screenshot has its own text.
class CleanupSentence
{
public:
    static QString countText(int count);  // "1 screenshot", "1,520 screenshots"

    // "Moved 12 screenshots to the Trash." / "Deleted 12 screenshots.",
    // "Stopped after …" when stopped, followed by "Couldn't …" for failures;
    // nothingText when there was nothing to remove.
    static QString outcome(const std::optional<SweepResult>& result, bool permanently, const QString& nothingText);
    static QString couldNotOpenFolder();  // "Couldn't open the folder."

    // "under a minute", "45 minutes", "2 hours 5 minutes", "1 day 3 hours".
    static QString duration(qint64 seconds);
    // The status lines of the Storage settings: when the last check was,
    // what it could not remove, and how old the oldest screenshot is.
    static QString status(const std::optional<CleanupStatus>& status, bool permanently, const QDateTime& now);
};
