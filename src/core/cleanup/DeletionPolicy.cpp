#include "core/cleanup/DeletionPolicy.h"

#include <algorithm>

namespace DeletionPolicies {

namespace {
struct Row
{
    DeletionPolicy policy;
    const char* raw;
    qint64 age;
};

constexpr Row kRows[] = {
    {DeletionPolicy::Never, "Never", 0},
    {DeletionPolicy::TenMinutes, "10 Minutes", 600},
    {DeletionPolicy::ThirtyMinutes, "30 Minutes", 1800},
    {DeletionPolicy::OneHour, "1 Hour", 3600},
    {DeletionPolicy::SixHours, "6 Hours", 21600},
    {DeletionPolicy::OneDay, "1 Day", 86400},
    {DeletionPolicy::ThreeDays, "3 Days", 259200},
    {DeletionPolicy::OneWeek, "1 Week", 604800},
    {DeletionPolicy::TwoWeeks, "2 Weeks", 1209600},
    {DeletionPolicy::OneMonth, "1 Month", 2592000},
};

const Row& rowOf(DeletionPolicy policy)
{
    return kRows[static_cast<int>(policy)];
}
}  // namespace

QList<DeletionPolicy> all()
{
    QList<DeletionPolicy> policies;
    for (const Row& row : kRows)
        policies.append(row.policy);
    return policies;
}

QString rawValue(DeletionPolicy policy)
{
    return QString::fromLatin1(rowOf(policy).raw);
}

std::optional<DeletionPolicy> fromRawValue(const QString& raw)
{
    for (const Row& row : kRows) {
        if (raw == QLatin1String(row.raw))
            return row.policy;
    }
    return std::nullopt;
}

std::optional<qint64> maximumAgeSeconds(DeletionPolicy policy)
{
    if (policy == DeletionPolicy::Never)
        return std::nullopt;
    return rowOf(policy).age;
}

std::optional<qint64> timerPeriodSeconds(DeletionPolicy policy)
{
    const auto age = maximumAgeSeconds(policy);
    if (!age)
        return std::nullopt;
    return std::max<qint64>(*age / 60, 60);
}

}  // namespace DeletionPolicies
