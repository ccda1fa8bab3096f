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
            relative += QLatin1Char('/');
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
    if (!FileTimes::read(AT_FDCWD, QFile::encodeName(path).constData(), &info))
        return std::nullopt;
    const auto birth = FileTimes::birthMs(info);
    if (!birth)
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(*birth);
}

LockedFolder::LockedFolder(QString path)
    : m_path(std::move(path)), m_asRoot(::geteuid() == 0)
{
    if (m_asRoot) {
        setImmutable(true);
    } else {
        m_locked = QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        if (!m_locked)
            m_error = QStringLiteral("chmod failed");
    }
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
    if (fd < 0) {
        m_error = QStringLiteral("open failed");
        return;
    }
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        if (::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0)
            m_locked = on;
        else
            m_error = QStringLiteral("FS_IOC_SETFLAGS failed (needs CAP_LINUX_IMMUTABLE and ext4/xfs/btrfs)");
    } else {
        m_error = QStringLiteral("FS_IOC_GETFLAGS failed");
    }
    ::close(fd);
}
