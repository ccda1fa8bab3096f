#pragma once

#include "core/Result.h"
#include "core/updates/UpdatePackage.h"

#include <QString>

// Whether a downloaded file is the package the feed describes: its size
// and SHA-256, read from disk.
class PackageCheck
{
public:
    static Result<void> verify(const QString& path, const UpdatePackage& package);
};
