#include "platform/linux/FreedesktopTrash.h"

#include "core/FileDescriptor.h"
#include "core/WriteAll.h"

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

// mkdir -p, with mode 0700 for what it creates.
bool makePath(const QByteArray& path)
{
    struct stat info
    {
    };
    if (::stat(path.constData(), &info) == 0)
        return S_ISDIR(info.st_mode);
    const int slash = path.lastIndexOf('/');
    if (slash > 0 && !makePath(path.left(slash)))
        return false;
    return ::mkdir(path.constData(), 0700) == 0 || errno == EEXIST;
}

// A folder we may keep trashed files in: a real directory (not a link) of ours.
bool ensureOwnDirectory(const QByteArray& path)
{
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info
    {
    };
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid();
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

QByteArray percentEncoded(const QByteArray& path)
{
    return QByteArray(path).toPercentEncoding("/");
}

}  // namespace

// One Trash folder with files/ and info/ held open.
struct FreedesktopTrash::Location
{
    QByteArray trashDir;
    QByteArray topDir;  // empty for the home Trash, whose Path entries are absolute
    FileDescriptor files;
    FileDescriptor info;

    Location(QByteArray dir, QByteArray top, FileDescriptor filesFd, FileDescriptor infoFd)
        : trashDir(std::move(dir))
        , topDir(std::move(top))
        , files(std::move(filesFd))
        , info(std::move(infoFd))
    {
    }
};

// The folder the last trashed file came from, held open.
struct FreedesktopTrash::Folder
{
    QByteArray path;      // as given
    QByteArray resolved;  // without links, as the Trash records it
    dev_t device = 0;
    FileDescriptor fd;
    std::shared_ptr<Location> location;
    QByteArray recordedPrefix;  // percent-encoded Path of the folder, ending in "/"

    Folder(QByteArray given, FileDescriptor descriptor)
        : path(std::move(given))
        , fd(std::move(descriptor))
    {
    }
};

FreedesktopTrash::FreedesktopTrash()
    : FreedesktopTrash(defaultHomeTrashPath())
{
}

FreedesktopTrash::FreedesktopTrash(QString homeTrashPath)
    : m_homeTrash(QFile::encodeName(QDir::cleanPath(homeTrashPath)))
{
}

FreedesktopTrash::~FreedesktopTrash() = default;

QString FreedesktopTrash::defaultHomeTrashPath()
{
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || !QDir::isAbsolutePath(data))
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return data + QStringLiteral("/Trash");
}

QByteArray FreedesktopTrash::deletionDate()
{
    const std::time_t now = std::time(nullptr);
    if (now != m_dateSecond) {
        std::tm local{};
        ::localtime_r(&now, &local);
        char text[32];
        const size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
        m_dateText = QByteArray(text, qsizetype(length));
        m_dateSecond = now;
    }
    return m_dateText;
}

std::shared_ptr<FreedesktopTrash::Location> FreedesktopTrash::openLocation(const QByteArray& trashDir,
                                                                           const QByteArray& topDir)
{
    if (!ensureOwnDirectory(trashDir) || !ensureOwnDirectory(trashDir + "/files")
        || !ensureOwnDirectory(trashDir + "/info"))
        return nullptr;
    FileDescriptor files(::open((trashDir + "/files").constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    FileDescriptor info(::open((trashDir + "/info").constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!files.isOpen() || !info.isOpen())
        return nullptr;
    return std::make_shared<Location>(trashDir, topDir, std::move(files), std::move(info));
}

Result<std::shared_ptr<FreedesktopTrash::Location>> FreedesktopTrash::volumeLocation(const QByteArray& topDir)
{
    const QByteArray uid = QByteArray::number(::geteuid());
    const QByteArray base = topDir == "/" ? QByteArray() : topDir;
    // An administrator's shared $topdir/.Trash counts only when it is a real,
    // sticky directory; a link or a folder without the sticky bit is ignored.
    const QByteArray shared = base + "/.Trash";
    struct stat info
    {
    };
    if (::lstat(shared.constData(), &info) == 0 && S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX)) {
        if (auto location = openLocation(shared + '/' + uid, topDir))
            return location;
    }
    if (auto location = openLocation(base + "/.Trash-" + uid, topDir))
        return location;
    return Result<std::shared_ptr<Location>>::failure(
        QStringLiteral("no Trash on the drive of %1").arg(QFile::decodeName(topDir)));
}

Result<std::shared_ptr<FreedesktopTrash::Location>> FreedesktopTrash::locationFor(dev_t device,
                                                                                  const QByteArray& folder)
{
    const auto cached = m_locations.find(device);
    if (cached != m_locations.end())
        return cached->second;

    struct stat home
    {
    };
    if (makePath(m_homeTrash) && ::stat(m_homeTrash.constData(), &home) == 0 && home.st_dev == device) {
        if (auto location = openLocation(m_homeTrash, {})) {
            m_locations[device] = location;
            return location;
        }
    }
    // The top directory of the mount that holds the file: its highest
    // ancestor on the same device.
    QByteArray top = folder;
    while (top != "/") {
        const int slash = top.lastIndexOf('/');
        const QByteArray up = slash <= 0 ? QByteArray("/") : top.left(slash);
        struct stat info
        {
        };
        if (::stat(up.constData(), &info) != 0 || info.st_dev != device)
            break;
        top = up;
    }
    Result<std::shared_ptr<Location>> location = volumeLocation(top);
    if (location)
        m_locations[device] = *location;
    return location;
}

Result<std::shared_ptr<FreedesktopTrash::Folder>> FreedesktopTrash::folderFor(const QByteArray& path)
{
    if (m_lastFolder && m_lastFolder->path == path)
        return m_lastFolder;
    m_lastFolder.reset();
    auto folder = std::make_shared<Folder>(path,
                                           FileDescriptor(::open(path.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC)));
    struct stat info
    {
    };
    char resolved[PATH_MAX];
    if (folder->fd.get() < 0 || ::fstat(folder->fd.get(), &info) != 0 || !::realpath(path.constData(), resolved))
        return Result<std::shared_ptr<Folder>>::failure(errorText(errno));
    folder->resolved = QByteArray(resolved);
    folder->device = info.st_dev;
    const Result<std::shared_ptr<Location>> location = locationFor(info.st_dev, folder->resolved);
    if (!location)
        return Result<std::shared_ptr<Folder>>::failure(location.error());
    folder->location = *location;
    // Path is absolute in the home Trash and relative to the top of the
    // volume elsewhere, so a drive's Trash restores wherever it is mounted.
    QByteArray recorded = folder->resolved;
    const QByteArray& top = folder->location->topDir;
    if (!top.isEmpty())
        recorded = top == "/" ? recorded.mid(1) : recorded.mid(top.size() + 1);
    if (recorded == "/")
        recorded.clear();
    folder->recordedPrefix = percentEncoded(recorded) + (recorded.isEmpty() ? "" : "/");
    if (top.isEmpty() && folder->recordedPrefix.isEmpty())
        folder->recordedPrefix = "/";
    m_lastFolder = folder;
    return folder;
}

Result<QString> FreedesktopTrash::moveToTrash(const QByteArray& path)
{
    // Bytes all the way to renameat(): decoding a name that is not UTF-8
    // and encoding it again would name another file.
    const QByteArray encoded = path.startsWith('/') ? path : QFile::encodeName(QDir::currentPath()) + '/' + path;
    const int slash = encoded.lastIndexOf('/');
    const QByteArray name = encoded.mid(slash + 1);
    const QByteArray parent = slash <= 0 ? QByteArray("/") : encoded.left(slash);
    if (name.isEmpty() || name == "." || name == "..")
        return Result<QString>::failure(QStringLiteral("not a file"));

    std::lock_guard lock(m_mutex);
    for (int round = 0; round < 2; ++round) {
        const Result<std::shared_ptr<Folder>> folder = folderFor(parent);
        if (!folder)
            return Result<QString>::failure(folder.error());
        Result<QString> moved = moveInto(*(*folder)->location, **folder, name);
        if (moved || round == 1)
            return moved;
        // The source folder or the Trash may have been replaced since they
        // were opened (the user emptied the Trash, for one): open them afresh.
        struct stat info
        {
        };
        if (::fstatat((*folder)->fd.get(), name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0
            && ::fstat((*folder)->location->info.get(), &info) == 0 && info.st_nlink > 0)
            return moved;
        m_locations.erase((*folder)->device);
        m_lastFolder.reset();
    }
    return Result<QString>::failure(QStringLiteral("unknown error"));
}

Result<QString> FreedesktopTrash::moveInto(const Location& location, const Folder& folder, const QByteArray& name)
{
    const QByteArray info = "[Trash Info]\nPath=" + folder.recordedPrefix + percentEncoded(name)
                            + "\nDeletionDate=" + deletionDate() + '\n';
    for (int attempt = 1; attempt <= kMaximumNameAttempts; ++attempt) {
        const QByteArray candidate = candidateName(name, attempt);
        const QByteArray infoName = candidate + ".trashinfo";
        FileDescriptor fd(::openat(location.info.get(), infoName.constData(),
                                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!fd.isOpen()) {
            if (errno == EEXIST)
                continue;
            if (errno == ENAMETOOLONG)
                return Result<QString>::failure(QStringLiteral("file name too long for the Trash's info file"));
            return Result<QString>::failure(errorText(errno));
        }
        const int writeError = writeAll(fd.get(), info);
        fd.reset();
        if (writeError != 0) {
            ::unlinkat(location.info.get(), infoName.constData(), 0);
            return Result<QString>::failure(errorText(writeError));
        }
        // RENAME_NOREPLACE keeps a stray file left in files/ without its info.
        if (::renameat2(folder.fd.get(), name.constData(), location.files.get(), candidate.constData(),
                        RENAME_NOREPLACE)
            == 0)
            return QFile::decodeName(location.trashDir + "/files/" + candidate);
        int renameError = errno;
        if (renameError == EINVAL) {
            // A file system without RENAME_NOREPLACE: the info file reserved the name.
            if (::renameat(folder.fd.get(), name.constData(), location.files.get(), candidate.constData()) == 0)
                return QFile::decodeName(location.trashDir + "/files/" + candidate);
            renameError = errno;
        }
        ::unlinkat(location.info.get(), infoName.constData(), 0);
        if (renameError == EEXIST)
            continue;
        return Result<QString>::failure(errorText(renameError));
    }
    return Result<QString>::failure(QStringLiteral("too many files of that name in the Trash"));
}
