#include "core/library/PartialFiles.h"

#include "core/FileDescriptor.h"
#include "core/library/LibraryLayout.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <ctime>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray kMarker = ".partial-";

// The names in the folder open at dirFd that `keep` accepts.
template <typename Keep>
std::vector<QByteArray> namesIn(int dirFd, Keep keep)
{
    std::vector<QByteArray> names;
    const int copy = ::dup(dirFd);
    DIR* dir = copy < 0 ? nullptr : ::fdopendir(copy);
    if (!dir) {
        if (copy >= 0)
            ::close(copy);
        return names;
    }
    ::rewinddir(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (keep(entry->d_name))
            names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    return names;
}

// The writer's process id in a partial name; 0 when the name has none.
pid_t writerOf(const QByteArray& name)
{
    const qsizetype at = name.lastIndexOf(kMarker);
    const qsizetype dash = name.indexOf('-', at + kMarker.size());
    if (at < 0 || dash < 0)
        return 0;
    bool ok = false;
    const int pid = name.mid(at + kMarker.size(), dash - at - kMarker.size()).toInt(&ok);
    return ok && pid > 0 ? pid_t(pid) : 0;
}

bool isRunning(pid_t pid)
{
    return pid == ::getpid() || ::kill(pid, 0) == 0 || errno == EPERM;
}

}  // namespace

QByteArray PartialFiles::pattern(const QString& finalPath)
{
    const QFileInfo target(finalPath);
    return QFile::encodeName(target.path() + QLatin1String("/.") + target.fileName()) + kMarker
           + QByteArray::number(::getpid()) + "-XXXXXX";
}

bool PartialFiles::isPartialName(const QString& fileName)
{
    return fileName.startsWith(QLatin1String(".Momentra_")) && fileName.contains(QLatin1String(kMarker));
}

int PartialFiles::removeAbandoned(int dirFd)
{
    const std::vector<QByteArray> partials = namesIn(
        dirFd, [](const char* name) { return isPartialName(QFile::decodeName(name)); });
    const std::time_t now = std::time(nullptr);
    int removed = 0;
    for (const QByteArray& name : partials) {
        struct stat info
        {
        };
        if (::fstatat(dirFd, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode))
            continue;
        const pid_t writer = writerOf(name);
        const bool abandoned = (writer != 0 && !isRunning(writer)) || now - info.st_mtime >= kAbandonedAfterSeconds;
        if (abandoned && ::unlinkat(dirFd, name.constData(), 0) == 0)
            ++removed;
    }
    return removed;
}

int PartialFiles::removeAbandonedInLibrary(const QString& screenshotsFolder)
{
    const FileDescriptor root(
        ::open(QFile::encodeName(screenshotsFolder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!root.isOpen())
        return 0;
    const std::vector<QByteArray> days = namesIn(
        root.get(), [](const char* name) { return LibraryLayout::isDayFolderName(QString::fromLatin1(name)); });
    int removed = removeAbandoned(root.get());  // videos of a killed export
    for (const QByteArray& day : days) {
        const FileDescriptor dayFd(
            ::openat(root.get(), day.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (dayFd.isOpen())
            removed += removeAbandoned(dayFd.get());
    }
    return removed;
}
