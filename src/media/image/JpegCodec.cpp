#include "media/image/JpegCodec.h"

#include "media/image/ImageLimits.h"

#include <turbojpeg.h>

#include <memory>

namespace {

struct TurboHandleDeleter
{
    void operator()(void* handle) const { tjDestroy(handle); }
};
using TurboHandle = std::unique_ptr<void, TurboHandleDeleter>;

struct TurboBufferDeleter
{
    void operator()(unsigned char* buffer) const { tjFree(buffer); }
};
using TurboBuffer = std::unique_ptr<unsigned char, TurboBufferDeleter>;

QString turboError(void* handle)
{
    return QString::fromUtf8(tjGetErrorStr2(handle));
}

}  // namespace

bool JpegCodec::looksLikeJpeg(const QByteArray& data)
{
    return data.size() >= 3 && uchar(data[0]) == 0xFF && uchar(data[1]) == 0xD8 && uchar(data[2]) == 0xFF;
}

Result<QByteArray> JpegCodec::encode(const Bitmap& image, int quality)
{
    if (image.isNull())
        return Result<QByteArray>::failure(QStringLiteral("The image is empty."));
    TurboHandle handle(tjInitCompress());
    if (!handle)
        return Result<QByteArray>::failure(QStringLiteral("The JPEG encoder could not start."));
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const int status = tjCompress2(handle.get(), image.row(0), image.width, image.stride, image.height,
                                   TJPF_BGRA, &out, &size, TJSAMP_420, qBound(1, quality, 100),
                                   quality < kAccurateDctFrom ? TJFLAG_FASTDCT : 0);
    TurboBuffer buffer(out);
    if (status != 0)
        return Result<QByteArray>::failure(turboError(handle.get()));
    return QByteArray(reinterpret_cast<const char*>(buffer.get()), qsizetype(size));
}

Result<Bitmap> JpegCodec::decode(const QByteArray& data)
{
    TurboHandle handle(tjInitDecompress());
    if (!handle)
        return Result<Bitmap>::failure(QStringLiteral("The JPEG decoder could not start."));
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(handle.get(), bytes, (unsigned long)data.size(), &width, &height, &subsampling,
                            &colorspace)
        != 0)
        return Result<Bitmap>::failure(turboError(handle.get()));
    if (!isAcceptableImageSize(width, height))
        return Result<Bitmap>::failure(QStringLiteral("The JPEG image has an unusable size."));
    Bitmap image{width, height, width * 4, QByteArray(qsizetype(width) * height * 4, Qt::Uninitialized)};
    if (tjDecompress2(handle.get(), bytes, (unsigned long)data.size(), image.row(0), width, image.stride,
                      height, TJPF_BGRA, TJFLAG_FASTDCT | TJFLAG_STOPONWARNING)
        != 0)
        // A truncated or damaged file counts as unreadable, even where
        // TurboJPEG would only warn.
        return Result<Bitmap>::failure(turboError(handle.get()));
    return image;
}
