#pragma once

#include "core/capture/ChosenDisplay.h"
#include "core/library/ScreenshotFormat.h"
#include "core/textsearch/TextSearchSettings.h"

#include <QMap>
#include <QSet>
#include <QString>

#include <optional>

// Everything one capture run needs, built from the settings and handed to the
// engine. The engine never reads the settings store itself.
struct CaptureConfiguration
{
    double intervalSeconds = 60;
    ScreenshotFormat format = ScreenshotFormat::Jpeg;
    QString folder;  // absolute path of the screenshots folder
    double jpegQuality = 0.6;
    bool showsCursor = false;
    bool capturesHalfSize = false;
    std::optional<TextSearchSettings> textSearch;  // nothing = text search off
    std::optional<ChosenDisplay> onlyDisplay;      // nothing = every display
    bool pausesWhenLocked = false;
    bool pauseWhenIdle = false;
    double idleThresholdSeconds = 300;
    QSet<QString> excludedAppIds;
    bool hidesNotifications = false;
    bool hidesDesktopIcons = false;
    QMap<QString, int> displayOrdinals;      // display identity → ordinal
    std::optional<qint64> minimumFreeBytes;  // nothing = no free-space limit

    bool operator==(const CaptureConfiguration&) const = default;
};
