#pragma once

#include <QString>
#include <QUrl>

// One day folder that holds screenshots, as listed for export.
struct TimelapseDay
{
    QString id;  // the day folder's name, "yyyy-MM-dd"
    QUrl folder;
    int captureCount = 0;

    bool operator==(const TimelapseDay&) const = default;
};
