#include "support/core/LockedFolder.h"

#include <QFile>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

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
