#pragma once

#include <QList>
#include <QStringList>
#include <QUrl>

// What an export that was not stopped by an error produced.
struct TimelapseExportResult
{
    QList<QUrl> outputURLs;    // the videos written, in display order
    bool wasCancelled = false;  // stopped early because the cancel predicate said so
    QStringList skippedDays;   // requested day folders without a usable screenshot, by name
};
