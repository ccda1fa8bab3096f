#include "core/textsearch/ImageContent.h"

#include "core/FileDescriptor.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

namespace {

bool isHeifBrand(const QByteArray& brand)
{
    static const char* const brands[] = {"heic", "heix", "heim", "heis", "hevc", "hevx",
                                         "mif1", "msf1", "avif", "avis", "heif"};
    for (const char* known : brands) {
        if (brand == known)
            return true;
    }
    return false;
}

}  // namespace

bool ImageContent::looksLikeImage(const QByteArray& header)
{
    // Only what the image codec decodes: a GIF, BMP, TIFF or WebP would be
    // counted as an image to read and then fail to decode.
    if (header.startsWith("\x89PNG\r\n\x1a\n") || header.startsWith("\xff\xd8\xff"))
        return true;
    // ISO base media: a "ftyp" box whose major or a compatible brand is an image one.
    if (header.size() >= 16 && header.mid(4, 4) == "ftyp") {
        const qsizetype boxSize = qsizetype(quint8(header[0])) << 24 | qsizetype(quint8(header[1])) << 16
                                  | qsizetype(quint8(header[2])) << 8 | qsizetype(quint8(header[3]));
        const qsizetype end = qMin(boxSize, header.size());
        if (isHeifBrand(header.mid(8, 4)))
            return true;
        for (qsizetype at = 16; at + 4 <= end; at += 4) {
            if (isHeifBrand(header.mid(at, 4)))
                return true;
        }
    }
    return false;
}

bool ImageContent::isImageFile(const QString& path)
{
    const FileDescriptor fd(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!fd.isOpen())
        return false;
    char buffer[kHeaderSize];
    const ssize_t size = ::read(fd.get(), buffer, sizeof buffer);
    return size > 0 && looksLikeImage(QByteArray(buffer, size));
}
