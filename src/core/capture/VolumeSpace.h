#pragma once

#include <QString>

#include <optional>

// Free space on the volume that holds a path.
class VolumeSpace
{
public:
    // statvfs of the path, or of its nearest existing ancestor when the path
    // does not exist yet: f_bavail × f_frsize. Nothing when the query fails.
    static std::optional<qint64> freeBytes(const QString& path);
};
