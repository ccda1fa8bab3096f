#pragma once

#include <QString>

// Release versions compared part by part as numbers: 1.10 is newer than
// 1.9, and 1.2 equals 1.2.0. Anything after a part's digits ("0-rc1") is
// ignored.
class VersionNumber
{
public:
    // Negative when a is older than b, 0 when equal, positive when newer.
    static int compare(const QString& a, const QString& b);
    static bool isNewer(const QString& candidate, const QString& current) { return compare(candidate, current) > 0; }
    // Digits and dots only, starting with a digit: "1.10.2".
    static bool isValid(const QString& version);
};
