#include "support/CleanupLibrary.h"

#include "core/capture/FileTimes.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

QString CleanupLibrary::makeFolder(const QString& relative) const
{
    const QString full = path(relative);
    QDir().mkpath(full);
    return full;
}

QString CleanupLibrary::makeFile(const QString& relative, const QByteArray& content) const
{
    const QString full = path(relative);
    QDir().mkpath(QFileInfo(full).path());
    QFile file(full);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
    return full;
}

bool CleanupLibrary::makeLink(const QString& target, const QString& relative) const
{
    const QString full = path(relative);
    QDir().mkpath(QFileInfo(full).path());
    return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(full).constData()) == 0;
}

QStringList CleanupLibrary::tree() const
{
    QStringList paths;
    QDirIterator it(m_root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        QString relative = QDir(m_root).relativeFilePath(info.filePath());
        if (info.isDir() && !info.isSymLink())
            relative += '/';
        paths << relative;
    }
    paths.sort();
    return paths;
}

QDateTime CleanupLibrary::creationOf(const QString& path)
{
    struct statx info{};
    if (!FileTimes::read(AT_FDCWD, QFile::encodeName(path).constData(), &info))
        return {};
    return QDateTime::fromMSecsSinceEpoch(FileTimes::creationMs(info).value_or(0));
}

std::optional<QDateTime> CleanupLibrary::birthOf(const QString& path)
{
    struct statx info{};
    std::optional<qint64> birth;
    if (FileTimes::read(AT_FDCWD, QFile::encodeName(path).constData(), &info))
        birth = FileTimes::birthMs(info);
    return birth ? std::optional(QDateTime::fromMSecsSinceEpoch(*birth)) : std::nullopt;
}

LockedFolder::LockedFolder(QString path)
    : m_path(std::move(path)), m_asRoot(::geteuid() == 0)
{
    if (m_asRoot)
        setImmutable(true);
    else if (!(m_locked = QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::ExeOwner)))
        m_error = "chmod failed";
}

LockedFolder::~LockedFolder()
{
    if (!m_locked)
        return;
    if (m_asRoot)
        setImmutable(false);
    else
        QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void LockedFolder::setImmutable(bool on)
{
    const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int flags = 0;
    if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        if (::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0)
            m_locked = on;
    }
    if (m_locked != on)
        m_error = "making the folder immutable failed (needs CAP_LINUX_IMMUTABLE and ext4/xfs/btrfs)";
    if (fd >= 0)
        ::close(fd);
}
