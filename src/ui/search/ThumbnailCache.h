#pragma once

#include "core/Result.h"

#include <QImage>
#include <QString>

#include <optional>

class ImageCodec;

// The freedesktop thumbnail cache, shared with file managers:
// $XDG_CACHE_HOME/thumbnails/normal (128 pixels) or large (256), each
// thumbnail a PNG named by the MD5 of its file's URI, carrying that URI and
// the file's modification time (Thumb::URI, Thumb::MTime); a thumbnail whose
// time differs from the file's is stale and made again. Images are decoded
// at the reduced size where Qt's readers can, else through the codec, so
// HEIC works as well as JPEG and PNG. Thumbnails are
// written atomically with mode 0600 into folders with mode 0700. Safe to use
// from several threads at once.
class ThumbnailCache
{
public:
    enum class Size { Normal = 128, Large = 256 };

    // cacheHome: $XDG_CACHE_HOME, else ~/.cache when empty.
    explicit ThumbnailCache(ImageCodec& codec, QString cacheHome = {});

    static QString fileUri(const QString& path);  // "file:///…", percent-encoded
    QString folder(Size size) const;
    QString thumbnailPath(const QString& file, Size size) const;

    // The stored thumbnail when it is current for the file.
    std::optional<QImage> cached(const QString& file, Size size) const;
    // The current thumbnail, made and stored when missing or stale; why not
    // when the file cannot be read as an image.
    Result<QImage> thumbnail(const QString& file, Size size);
    // The same, as the path of the stored thumbnail.
    Result<QString> thumbnailFile(const QString& file, Size size);

private:
    Result<QImage> decodeReduced(const QString& file, int edge) const;
    Result<void> store(const QImage& image, const QString& path) const;

    ImageCodec& m_codec;
    QString m_cacheHome;
};
