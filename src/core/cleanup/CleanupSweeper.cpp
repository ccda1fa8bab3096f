#include "core/cleanup/CleanupSweeper.h"

#include "core/FileDescriptor.h"
#include "core/StopFlag.h"
#include "core/cleanup/FileTimes.h"
#include "core/cleanup/Trash.h"
#include "core/library/LibraryLayout.h"
#include "core/library/PartialFiles.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Listing
{
    bool ok = false;
    int error = 0;                  // errno when not ok
    std::vector<QByteArray> names;  // hidden entries left out
};

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Lists the folder open at dirFd, in the order the file system returns.
Listing listFolder(int dirFd)
{
    Listing listing;
    const int copy = ::dup(dirFd);
    if (copy < 0) {
        listing.error = errno;
        return listing;
    }
    DIR* dir = ::fdopendir(copy);
    if (!dir) {
        listing.error = errno;
        ::close(copy);
        return listing;
    }
    ::rewinddir(dir);
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.')
            listing.names.emplace_back(entry->d_name);
        errno = 0;
    }
    listing.error = errno;
    listing.ok = errno == 0;
    ::closedir(dir);
    return listing;
}

int openFolder(int parentFd, const char* name)
{
    return ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

struct DayFolder
{
    QByteArray name;
    std::optional<qint64> createdMs;
    std::optional<qint64> modifiedMs;
};

}  // namespace

class CleanupSweeper::Pass
{
public:
    Pass(const CleanupSweeper& owner, int rootFd, const QByteArray& folder, qint64 maxAgeMs, bool permanently,
         const StopFlag& stop, qint64 nowMs)
        : m_owner(owner)
        , m_rootFd(rootFd)
        , m_folder(folder)
        , m_maxAgeMs(maxAgeMs)
        , m_permanently(permanently)
        , m_stop(stop)
        , m_nowMs(nowMs)
    {
    }

    SweepResult run(const Listing& root)
    {
        std::vector<DayFolder> recent;
        for (const QByteArray& name : root.names) {
            if (!LibraryLayout::isDayFolderName(QString::fromUtf8(name)))
                continue;
            struct statx info
            {
            };
            if (!FileTimes::read(m_rootFd, name.constData(), &info) || !S_ISDIR(info.stx_mode))
                continue;  // a symbolic link, even to a folder, is not a day folder
            DayFolder day{name, FileTimes::birthMs(info), FileTimes::modificationMs(info)};
            if (day.createdMs && m_nowMs - *day.createdMs <= m_maxAgeMs) {
                recent.push_back(day);
                continue;
            }
            processDayFolder(day);
            if (m_result.stopped)
                return finish();
        }
        if (!m_oldestMs)
            m_oldestMs = oldestInRecentFolders(recent);
        return finish();
    }

private:
    SweepResult finish()
    {
        if (m_oldestMs)
            m_result.oldestRemaining = QDateTime::fromMSecsSinceEpoch(*m_oldestMs);
        return m_result;
    }

    void noteRemaining(qint64 createdMs)
    {
        if (!m_oldestMs || createdMs < *m_oldestMs)
            m_oldestMs = createdMs;
    }

    bool isOld(qint64 createdMs) const { return m_nowMs - createdMs > m_maxAgeMs; }

    void processDayFolder(const DayFolder& day)
    {
        const FileDescriptor dayFd(openFolder(m_rootFd, day.name.constData()));
        if (!dayFd.isOpen()) {
            noteUnreadable(errno);
            return;
        }
        if (!m_owner.m_dryRun)
            PartialFiles::removeAbandoned(dayFd.get());  // else they keep an emptied folder forever
        const Listing listing = listFolder(dayFd.get());
        if (!listing.ok) {
            noteUnreadable(listing.error);
            return;
        }
        size_t remaining = listing.names.size();
        bool removedAny = false;
        for (const QByteArray& name : listing.names) {
            if (m_stop.isSet()) {
                m_result.stopped = true;
                return;
            }
            if (!LibraryLayout::isOwnScreenshotName(QString::fromUtf8(name)))
                continue;
            struct statx info
            {
            };
            if (!FileTimes::read(dayFd.get(), name.constData(), &info) || !S_ISREG(info.stx_mode))
                continue;
            const std::optional<qint64> created = FileTimes::creationMs(info);
            if (!created)
                continue;
            if (!isOld(*created)) {
                noteRemaining(*created);
                continue;
            }
            if (m_stop.isSet()) {
                m_result.stopped = true;
                return;
            }
            if (const std::optional<QString> failure = removeFile(dayFd.get(), day.name, name); !failure) {
                ++m_result.trashed;
                --remaining;
                removedAny = true;
            } else {
                ++m_result.failed;
                ++m_result.removalFailures[*failure];
                noteRemaining(*created);
            }
        }
        if (removedAny)
            ++m_result.dayFolders;
        if (remaining != 0 || m_owner.m_dryRun)
            return;
        const bool stale = listing.names.empty() && day.modifiedMs && isOld(*day.modifiedMs);
        if (removedAny || stale)
            ::unlinkat(m_rootFd, day.name.constData(), AT_REMOVEDIR);  // fails unless empty
    }

    // A day folder that exists but cannot be read keeps whatever is in it.
    void noteUnreadable(int error)
    {
        if (error == ENOENT)
            return;  // gone since the screenshots folder was listed
        ++m_result.failed;
        ++m_result.unreadableFolders[errorText(error)];
    }

    // Nothing when nothing is left at the file's place afterwards; otherwise
    // why the file is still there.
    std::optional<QString> removeFile(int dayFd, const QByteArray& dayName, const QByteArray& name)
    {
        if (m_owner.m_dryRun)
            return std::nullopt;
        QString failure;
        if (m_permanently) {
            if (::unlinkat(dayFd, name.constData(), 0) == 0)
                return std::nullopt;
            failure = errorText(errno);
        } else if (m_owner.m_trash) {
            const Result<QString> moved = m_owner.m_trash->moveToTrash(m_folder + '/' + dayName + '/' + name);
            if (moved)
                return std::nullopt;
            failure = moved.error();
        } else {
            failure = QStringLiteral("there's no Trash");
        }
        struct stat info
        {
        };
        if (::fstatat(dayFd, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT)
            return std::nullopt;
        return failure;
    }

    // The earliest own screenshot in the first recent folder (oldest first)
    // that has any.
    std::optional<qint64> oldestInRecentFolders(std::vector<DayFolder> recent) const
    {
        std::sort(recent.begin(), recent.end(),
                  [](const DayFolder& a, const DayFolder& b) { return *a.createdMs < *b.createdMs; });
        for (const DayFolder& day : recent) {
            const FileDescriptor dayFd(openFolder(m_rootFd, day.name.constData()));
            if (!dayFd.isOpen())
                continue;
            std::optional<qint64> oldest;
            for (const QByteArray& name : listFolder(dayFd.get()).names) {
                if (!LibraryLayout::isOwnScreenshotName(QString::fromUtf8(name)))
                    continue;
                struct statx info
                {
                };
                if (!FileTimes::read(dayFd.get(), name.constData(), &info) || !S_ISREG(info.stx_mode))
                    continue;
                const auto created = FileTimes::creationMs(info);
                if (created && (!oldest || *created < *oldest))
                    oldest = created;
            }
            if (oldest)
                return oldest;
        }
        return std::nullopt;
    }

    const CleanupSweeper& m_owner;
    const int m_rootFd;
    const QByteArray m_folder;  // the file system's bytes, never decoded
    const qint64 m_maxAgeMs;
    const bool m_permanently;
    const StopFlag& m_stop;
    const qint64 m_nowMs;
    SweepResult m_result;
    std::optional<qint64> m_oldestMs;
};

CleanupSweeper::CleanupSweeper(std::shared_ptr<Trash> trash)
    : m_trash(std::move(trash))
{
}

std::optional<SweepResult> CleanupSweeper::sweep(const QString& folder, qint64 maxAgeSeconds, bool permanently,
                                                 const StopFlag& stop, const QDateTime& now) const
{
    const QString root = folder.endsWith(QLatin1Char('/')) && folder.size() > 1 ? folder.chopped(1) : folder;
    // The screenshots folder itself may be a link the user set up; follow it.
    const FileDescriptor rootFd(::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!rootFd.isOpen())
        return std::nullopt;
    const Listing listing = listFolder(rootFd.get());
    if (!listing.ok)
        return std::nullopt;
    Pass pass(*this, rootFd.get(), QFile::encodeName(root), std::max<qint64>(maxAgeSeconds, 0) * 1000, permanently,
              stop, now.toMSecsSinceEpoch());
    return pass.run(listing);
}
