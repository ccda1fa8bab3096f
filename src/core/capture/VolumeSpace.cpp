#include "core/capture/VolumeSpace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <limits>
#include <sys/statvfs.h>

std::optional<qint64> VolumeSpace::freeBytes(const QString& path)
{
    if (path.isEmpty())
        return std::nullopt;
    QString at = QDir::cleanPath(QDir(path).absolutePath());
    while (!QFileInfo::exists(at) && at.count(QLatin1Char('/')) >= 2)
        at = QFileInfo(at).path();
    struct statvfs info {};
    if (::statvfs(QFile::encodeName(at).constData(), &info) != 0)
        return std::nullopt;
    const unsigned long long bytes = (unsigned long long)info.f_bavail * info.f_frsize;
    return qint64(qMin<unsigned long long>(bytes, std::numeric_limits<qint64>::max()));
}
