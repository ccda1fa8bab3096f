#include "ui/search/ThumbnailCache.h"

#include "core/library/ImageCodec.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QTemporaryFile>
#include <QUrl>

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>

namespace {

const QString kUriKey = QStringLiteral("Thumb::URI");
const QString kMTimeKey = QStringLiteral("Thumb::MTime");

QString modificationTime(const QString& file)
{
    struct stat facts = {};
    if (::stat(QFile::encodeName(file).constData(), &facts) != 0)
        return {};
    return QString::number(qint64(facts.st_mtim.tv_sec));
}

bool makeFolder(const QString& path)
{
    return ::mkdir(QFile::encodeName(path).constData(), 0700) == 0 || errno == EEXIST;
}

QImage fromBitmap(const Bitmap& bitmap)
{
    const QImage view(reinterpret_cast<const uchar*>(bitmap.pixels.constData()), bitmap.width, bitmap.height,
                      bitmap.stride, QImage::Format_ARGB32);
    return view.copy();
}

}  // namespace

ThumbnailCache::ThumbnailCache(ImageCodec& codec, QString cacheHome)
    : m_codec(codec)
    , m_cacheHome(std::move(cacheHome))
{
    if (m_cacheHome.isEmpty())
        m_cacheHome = qEnvironmentVariable("XDG_CACHE_HOME");
    if (m_cacheHome.isEmpty() || QDir::isRelativePath(m_cacheHome))
        m_cacheHome = QDir::homePath() + QStringLiteral("/.cache");
}

QString ThumbnailCache::fileUri(const QString& path)
{
    return QString::fromLatin1(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded());
}

QString ThumbnailCache::folder(Size size) const
{
    return m_cacheHome
           + (size == Size::Normal ? QStringLiteral("/thumbnails/normal") : QStringLiteral("/thumbnails/large"));
}

QString ThumbnailCache::thumbnailPath(const QString& file, Size size) const
{
    const QByteArray digest = QCryptographicHash::hash(fileUri(file).toUtf8(), QCryptographicHash::Md5);
    return folder(size) + QLatin1Char('/') + QString::fromLatin1(digest.toHex()) + QStringLiteral(".png");
}

std::optional<QImage> ThumbnailCache::cached(const QString& file, Size size) const
{
    // Read whole (a thumbnail is small): QImageReader::text() splits keys at their first colon.
    QImage image(thumbnailPath(file, size), "png");
    if (image.isNull() || image.text(kUriKey) != fileUri(file))
        return std::nullopt;
    const QString mtime = modificationTime(file);
    if (mtime.isEmpty() || image.text(kMTimeKey) != mtime)
        return std::nullopt;
    return image;
}

Result<QImage> ThumbnailCache::thumbnail(const QString& file, Size size)
{
    if (std::optional<QImage> image = cached(file, size))
        return *image;
    const QString mtime = modificationTime(file);
    if (mtime.isEmpty())
        return Result<QImage>::failure(QStringLiteral("%1 cannot be read").arg(file));
    Result<QImage> decoded = decodeReduced(file, int(size));
    if (!decoded)
        return decoded;
    QImage image = std::move(decoded).value();
    image.setText(kUriKey, fileUri(file));
    image.setText(kMTimeKey, mtime);
    image.setText(QStringLiteral("Software"), QStringLiteral("Momentra"));
    // A cache that cannot be written costs the next look a decode, nothing more.
    (void)store(image, thumbnailPath(file, size));
    return image;
}

// Qt's readers decode JPEG and WebP straight at the reduced size (libjpeg scales while it decodes), far
// cheaper than a whole decode and a scale; what they cannot read (HEIC) goes through the codec.
Result<QImage> ThumbnailCache::decodeReduced(const QString& file, int edge) const
{
    QImageReader reader(file);
    const QSize full = reader.size();
    if (full.isValid() && (full.width() > edge || full.height() > edge))
        reader.setScaledSize(full.scaled(edge, edge, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (!image.isNull())
        return image;
    Result<Bitmap> decoded = m_codec.decodeFile(file);
    if (!decoded)
        return Result<QImage>::failure(decoded.error());
    image = fromBitmap(decoded.value());
    if (image.width() > edge || image.height() > edge)
        image = image.scaled(edge, edge, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

Result<QString> ThumbnailCache::thumbnailFile(const QString& file, Size size)
{
    const QString path = thumbnailPath(file, size);
    if (cached(file, size))
        return path;
    Result<QImage> made = thumbnail(file, size);
    if (!made)
        return Result<QString>::failure(made.error());
    if (!cached(file, size))
        return Result<QString>::failure(QStringLiteral("the thumbnail cache %1 cannot be written").arg(folder(size)));
    return path;
}

Result<void> ThumbnailCache::store(const QImage& image, const QString& path) const
{
    QDir().mkpath(m_cacheHome);
    const QString target = QFileInfo(path).absolutePath();
    if (!makeFolder(QFileInfo(target).absolutePath()) || !makeFolder(target))
        return Result<void>::failure(QStringLiteral("cannot make %1").arg(target));
    // A hidden temporary file (mode 0600) beside the thumbnail, renamed over it.
    QTemporaryFile temporary(target + QStringLiteral("/.momentra-XXXXXX.png"));
    if (!temporary.open() || !image.save(&temporary, "PNG") || !temporary.flush())
        return Result<void>::failure(QStringLiteral("cannot write %1").arg(temporary.fileName()));
    if (std::rename(QFile::encodeName(temporary.fileName()).constData(), QFile::encodeName(path).constData()) != 0)
        return Result<void>::failure(QStringLiteral("cannot rename into %1").arg(path));
    temporary.setAutoRemove(false);
    return Result<void>::success();
}
