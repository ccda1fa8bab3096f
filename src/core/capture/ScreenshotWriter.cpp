#include "core/capture/ScreenshotWriter.h"

#include "core/FileDescriptor.h"
#include "core/RenameNoReplace.h"
#include "core/WriteAll.h"
#include "core/capture/CaptureError.h"
#include "core/library/ImageCodec.h"
#include "core/library/LibraryLayout.h"
#include "core/library/PartialFiles.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

constexpr int kMaximumNumberedNames = 1000;

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Removes the temporary file unless kept; its descriptor closes with it.
class TemporaryFile
{
public:
    TemporaryFile(int fd, QByteArray path)
        : m_fd(fd)
        , m_path(std::move(path))
    {
    }
    ~TemporaryFile()
    {
        m_fd.reset();
        if (!m_kept)
            ::unlink(m_path.constData());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return m_fd.get(); }
    const QByteArray& path() const { return m_path; }
    int close() { return m_fd.reset(); }
    void keep() { m_kept = true; }

private:
    FileDescriptor m_fd;
    QByteArray m_path;
    bool m_kept = false;
};

void syncFolder(const QByteArray& folder)
{
    const FileDescriptor fd(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.isOpen())
        ::fsync(fd.get());
}

}  // namespace

Result<QString> ScreenshotWriter::ensureFolder(const QString& path)
{
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    QStringList missing;
    for (QString at = clean; !QFileInfo::exists(at) && at != QStringLiteral("/"); at = QFileInfo(at).path())
        missing.prepend(at);
    for (const QString& folder : std::as_const(missing)) {
        if (::mkdir(QFile::encodeName(folder).constData(), kFolderMode) != 0 && errno != EEXIST)
            return Result<QString>::failure(
                QStringLiteral("Couldn't create the folder %1: %2").arg(folder, systemReason(errno)));
    }
    if (!QFileInfo(clean).isDir())
        return Result<QString>::failure(QStringLiteral("%1 is not a folder.").arg(clean));
    return clean;
}

bool ScreenshotWriter::isTemporaryName(const QString& fileName)
{
    return PartialFiles::isPartialName(fileName);
}

Result<ScreenshotWriter::Written> ScreenshotWriter::writeImage(const Bitmap& image, const QString& path,
                                                               ScreenshotFormat format, double quality)
{
    using R = Result<Written>;
    const Result<QByteArray> encoded = m_codec.encode(image, format, quality);
    if (!encoded)
        return R::failure(CaptureErrors::description(CaptureError::EncodingFailed));

    const QFileInfo target(path);
    const QString name = target.fileName();
    QByteArray pattern = PartialFiles::pattern(path);
    const int fd = ::mkstemp(pattern.data());  // created 0600
    if (fd < 0)
        return R::failure(
            QStringLiteral("Couldn't write a screenshot into %1: %2").arg(target.path(), systemReason(errno)));
    TemporaryFile temporary(fd, pattern);
    ::fchmod(fd, kFileMode);

    if (const int error = writeAll(fd, encoded.value()))
        return R::failure(
            QStringLiteral("Couldn't write a screenshot into %1: %2").arg(target.path(), systemReason(error)));
    if (::fsync(fd) != 0)
        return R::failure(
            QStringLiteral("Couldn't write a screenshot into %1: %2").arg(target.path(), systemReason(errno)));
    // The marker is only a hint for other tools: a file system without
    // user attributes still gets the screenshot.
    ::fsetxattr(fd, kMarkerAttribute, "1", 1, 0);
    if (temporary.close() != 0)
        return R::failure(
            QStringLiteral("Couldn't write a screenshot into %1: %2").arg(target.path(), systemReason(errno)));
    QString finalPath = path;
    for (int number = 2;; ++number) {
        const int error = renameNoReplace(AT_FDCWD, temporary.path().constData(), AT_FDCWD,
                                          QFile::encodeName(finalPath).constData());
        if (error == 0)
            break;
        if (error != EEXIST || number > kMaximumNumberedNames)
            return R::failure(
                QStringLiteral("Couldn't write a screenshot into %1: %2").arg(target.path(), systemReason(error)));
        finalPath = QDir(target.path()).filePath(LibraryLayout::numberedFileName(name, number));
    }
    temporary.keep();
    syncFolder(QFile::encodeName(target.path()));
    return Written{finalPath, qint64(encoded->size())};
}
