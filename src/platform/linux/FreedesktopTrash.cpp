#include "platform/linux/FreedesktopTrash.h"

#include <QDir>
#include <QFile>
#include <QUrl>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kMaximumNameAttempts = 10000;

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString displayName(const QByteArray& name)
{
    return QFile::decodeName(name);
}

// mkdir -p with mode 0700 for what it creates.
bool makePath(const QByteArray& path)
{
    struct stat info{};
    if (::stat(path.constData(), &info) == 0)
        return S_ISDIR(info.st_mode);
    const int slash = path.lastIndexOf('/');
    if (slash > 0 && !makePath(path.left(slash)))
        return false;
    return ::mkdir(path.constData(), 0700) == 0 || errno == EEXIST;
}

// A folder we may keep trashed files in: a real directory (not a link) of ours.
bool isOwnDirectory(const QByteArray& path)
{
    struct stat info{};
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid();
}

bool ensureOwnDirectory(const QByteArray& path)
{
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    return isOwnDirectory(path);
}

bool ensureTrashFolders(const QByteArray& trashDir)
{
    return ensureOwnDirectory(trashDir) && ensureOwnDirectory(trashDir + "/files")
           && ensureOwnDirectory(trashDir + "/info");
}

QByteArray candidateName(const QByteArray& name, int attempt)
{
    if (attempt == 1)
        return name;
    // "Momentra_x.jpeg" → "Momentra_x.2.jpeg", keeping the extension.
    const int dot = name.lastIndexOf('.');
    const QByteArray suffix = '.' + QByteArray::number(attempt);
    if (dot <= 0)
        return name + suffix;
    return name.left(dot) + suffix + name.mid(dot);
}

QByteArray deletionDate()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    const size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return QByteArray(text, qsizetype(length));
}

bool writeAll(int fd, const QByteArray& bytes)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += n;
    }
    return true;
}

}  // namespace

FreedesktopTrash::FreedesktopTrash()
    : FreedesktopTrash(defaultHomeTrashPath())
{
}

FreedesktopTrash::FreedesktopTrash(QString homeTrashPath)
    : m_homeTrash(QFile::encodeName(QDir::cleanPath(homeTrashPath)))
{
}

QString FreedesktopTrash::defaultHomeTrashPath()
{
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || !QDir::isAbsolutePath(data))
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return data + QStringLiteral("/Trash");
}

QByteArray FreedesktopTrash::resolvedParent(const QByteArray& parent)
{
    if (parent == m_lastParent && !m_lastResolvedParent.isEmpty())
        return m_lastResolvedParent;
    char buffer[PATH_MAX];
    if (!::realpath(parent.constData(), buffer))
        return {};
    m_lastParent = parent;
    m_lastResolvedParent = QByteArray(buffer);
    return m_lastResolvedParent;
}

Result<FreedesktopTrash::Location> FreedesktopTrash::volumeLocation(const QByteArray& topDir)
{
    const QByteArray uid = QByteArray::number(::geteuid());
    const QByteArray base = topDir == "/" ? QByteArray() : topDir;
    // An administrator's shared $topdir/.Trash counts only when it is a real,
    // sticky directory; a link or a folder without the sticky bit is ignored.
    const QByteArray shared = base + "/.Trash";
    struct stat info{};
    if (::lstat(shared.constData(), &info) == 0 && S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX)) {
        const QByteArray own = shared + '/' + uid;
        if (ensureTrashFolders(own))
            return Location{own, topDir};
    }
    const QByteArray own = base + "/.Trash-" + uid;
    if (ensureTrashFolders(own))
        return Location{own, topDir};
    return Result<Location>::failure(
        QStringLiteral("There's no Trash on the drive of %1.").arg(displayName(topDir)));
}

Result<FreedesktopTrash::Location> FreedesktopTrash::locationFor(dev_t device, const QByteArray& parent)
{
    const auto cached = m_locations.find(device);
    if (cached != m_locations.end())
        return cached->second;

    struct stat home{};
    if (makePath(m_homeTrash) && ::stat(m_homeTrash.constData(), &home) == 0 && home.st_dev == device
        && ensureTrashFolders(m_homeTrash)) {
        m_locations[device] = Location{m_homeTrash, {}};
        return m_locations[device];
    }
    // The top directory of the mount that holds the file: the highest
    // ancestor on the same device.
    QByteArray top = parent;
    while (top != "/") {
        const int slash = top.lastIndexOf('/');
        const QByteArray up = slash <= 0 ? QByteArray("/") : top.left(slash);
        struct stat info{};
        if (::stat(up.constData(), &info) != 0 || info.st_dev != device)
            break;
        top = up;
    }
    Result<Location> location = volumeLocation(top);
    if (location)
        m_locations[device] = *location;
    return location;
}

Result<QString> FreedesktopTrash::moveToTrash(const QString& path)
{
    const QByteArray encoded = QFile::encodeName(QDir::cleanPath(QDir::isAbsolutePath(path)
                                                                    ? path
                                                                    : QDir::current().absoluteFilePath(path)));
    const int slash = encoded.lastIndexOf('/');
    const QByteArray name = encoded.mid(slash + 1);
    if (name.isEmpty() || name == "." || name == "..")
        return Result<QString>::failure(QStringLiteral("Can't move “%1” to the Trash.").arg(path));
    struct stat info{};
    if (::lstat(encoded.constData(), &info) != 0) {
        return Result<QString>::failure(
            QStringLiteral("Couldn't move “%1” to the Trash: %2.").arg(displayName(name), errorText(errno)));
    }

    std::lock_guard lock(m_mutex);
    const QByteArray parent = resolvedParent(slash <= 0 ? QByteArray("/") : encoded.left(slash));
    if (parent.isEmpty()) {
        return Result<QString>::failure(
            QStringLiteral("Couldn't move “%1” to the Trash: %2.").arg(displayName(name), errorText(errno)));
    }
    const QByteArray original = (parent == "/" ? QByteArray() : parent) + '/' + name;
    const Result<Location> location = locationFor(info.st_dev, parent);
    if (!location)
        return Result<QString>::failure(location.error());
    Result<QString> moved = moveInto(*location, encoded, original, name);
    if (!moved && !isOwnDirectory(location->trashDir + "/info")) {
        // Someone removed the Trash folders since we made them: make them again.
        m_locations.erase(info.st_dev);
        const Result<Location> again = locationFor(info.st_dev, parent);
        if (again)
            moved = moveInto(*again, encoded, original, name);
    }
    return moved;
}

Result<QString> FreedesktopTrash::moveInto(const Location& location, const QByteArray& path,
                                           const QByteArray& originalPath, const QByteArray& name)
{
    QByteArray recorded = originalPath;
    if (!location.topDir.isEmpty() && location.topDir != "/")
        recorded = originalPath.mid(location.topDir.size() + 1);  // relative to the mount
    else if (location.topDir == "/")
        recorded = originalPath.mid(1);
    const QByteArray info = "[Trash Info]\nPath=" + QUrl::toPercentEncoding(QString::fromLocal8Bit(recorded), "/")
                            + "\nDeletionDate=" + deletionDate() + '\n';

    for (int attempt = 1; attempt <= kMaximumNameAttempts; ++attempt) {
        const QByteArray candidate = candidateName(name, attempt);
        const QByteArray infoPath = location.trashDir + "/info/" + candidate + ".trashinfo";
        const int fd = ::open(infoPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return Result<QString>::failure(QStringLiteral("Couldn't move “%1” to the Trash: %2.")
                                                .arg(displayName(name), errorText(errno)));
        }
        const bool written = writeAll(fd, info);
        const int writeError = errno;
        ::close(fd);
        if (!written) {
            ::unlink(infoPath.constData());
            return Result<QString>::failure(QStringLiteral("Couldn't move “%1” to the Trash: %2.")
                                                .arg(displayName(name), errorText(writeError)));
        }
        const QByteArray target = location.trashDir + "/files/" + candidate;
        // RENAME_NOREPLACE keeps a stray file left in files/ without its info.
        if (::renameat2(AT_FDCWD, path.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
            return QFile::decodeName(target);
        int renameError = errno;
        if (renameError == EINVAL) {
            // A file system without RENAME_NOREPLACE: the info file reserved the name.
            if (::rename(path.constData(), target.constData()) == 0)
                return QFile::decodeName(target);
            renameError = errno;
        }
        ::unlink(infoPath.constData());
        if (renameError == EEXIST)
            continue;
        return Result<QString>::failure(QStringLiteral("Couldn't move “%1” to the Trash: %2.")
                                            .arg(displayName(name), errorText(renameError)));
    }
    return Result<QString>::failure(
        QStringLiteral("Couldn't move “%1” to the Trash: too many files of that name.").arg(displayName(name)));
}
