#pragma once

#include "core/cleanup/DeletionPolicy.h"

#include <QString>

// The cleanup set-up the engine sweeps with.
struct DeletionConfiguration
{
    QString folder;  // the screenshots folder
    DeletionPolicy policy = DeletionPolicy::Never;
    bool permanently = false;

    bool operator==(const DeletionConfiguration&) const = default;
};
