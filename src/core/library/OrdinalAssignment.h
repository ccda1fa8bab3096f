#pragma once

#include <QList>
#include <QMap>
#include <QString>

// Result of giving ordinals to the displays of one capture.
struct OrdinalAssignment
{
    QList<int> ordinals;            // one per display, in display order
    QMap<QString, int> dictionary;  // updated and pruned identity → ordinal

    bool operator==(const OrdinalAssignment&) const = default;
};
