#pragma once

#include "core/cleanup/SweepResult.h"

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
};
