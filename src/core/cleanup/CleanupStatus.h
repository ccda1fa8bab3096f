#pragma once

#include "core/cleanup/SweepResult.h"

#include <QDateTime>

#include <optional>

// The latest finished cleanup, as the Storage tab shows it.
struct CleanupStatus
{
    QDateTime at;                       // when the pass finished
    std::optional<SweepResult> result;  // nothing: the folder could not be listed

    bool operator==(const CleanupStatus&) const = default;
};
