#pragma once

#include <QList>
#include <QString>

#include <optional>

// How old an own screenshot may get before cleanup removes it.
enum class DeletionPolicy {
    Never,
    TenMinutes,
    ThirtyMinutes,
    OneHour,
    SixHours,
    OneDay,
    ThreeDays,
    OneWeek,
    TwoWeeks,
    OneMonth,
};

namespace DeletionPolicies {
QList<DeletionPolicy> all();                                      // in the order offered to the user
QString rawValue(DeletionPolicy policy);                          // "Never", "10 Minutes", …
std::optional<DeletionPolicy> fromRawValue(const QString& raw);   // exact match only
std::optional<qint64> maximumAgeSeconds(DeletionPolicy policy);   // nothing for Never
std::optional<qint64> timerPeriodSeconds(DeletionPolicy policy);  // age / 60, at least 60
}  // namespace DeletionPolicies
