#include "media/image/PngCodec.h"

#include "media/image/ImageLimits.h"

#include <png.h>

#include <cstring>

namespace {

struct WriteState
{
    QByteArray* out = nullptr;
    char message[256] = {};
};

void appendBytes(png_structp png, png_bytep data, png_size_t length)
{
    auto* state = static_cast<WriteState*>(png_get_io_ptr(png));
    state->out->append(reinterpret_cast<const char*>(data), qsizetype(length));
}

void flushNothing(png_structp) {}

void rememberError(png_structp png, png_const_charp message)
{
    auto* state = static_cast<WriteState*>(png_get_error_ptr(png));
    std::strncpy(state->message, message, sizeof state->message - 1);
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

bool isOpaque(const Bitmap& image)
{
    for (int y = 0; y < image.height; ++y) {
        const uchar* row = image.row(y);
        for (int x = 0; x < image.width; ++x) {
            if (row[x * 4 + 3] != 0xFF)
                return false;
        }
    }
    return true;
}

// Kept free of C++ objects with destructors: libpng leaves through longjmp.
bool writePng(const Bitmap& image, bool opaque, WriteState* state)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, state, rememberError, ignoreWarning);
    if (!png) {
        std::strcpy(state->message, "The PNG encoder could not start.");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        if (!state->message[0])
            std::strcpy(state->message, "The PNG encoder could not start.");
        return false;
    }
    png_set_write_fn(png, state, appendBytes, flushNothing);
    png_set_compression_level(png, PngCodec::kCompressionLevel);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8,
                 opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_write_info(png, info);
    png_set_bgr(png);
    if (opaque)
        png_set_filler(png, 0, PNG_FILLER_AFTER);  // drops the alpha byte on the way out
    for (int y = 0; y < image.height; ++y)
        png_write_row(png, const_cast<png_bytep>(image.row(y)));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool PngCodec::looksLikePng(const QByteArray& data)
{
    static const char kSignature[] = "\x89PNG\r\n\x1a\n";
    return data.size() >= 8 && std::memcmp(data.constData(), kSignature, 8) == 0;
}

Result<QByteArray> PngCodec::encode(const Bitmap& image)
{
    if (image.isNull())
        return Result<QByteArray>::failure(QStringLiteral("The image is empty."));
    QByteArray out;
    out.reserve(qsizetype(image.width) * image.height);
    WriteState state;
    state.out = &out;
    if (!writePng(image, isOpaque(image), &state))
        return Result<QByteArray>::failure(QString::fromUtf8(state.message));
    return out;
}

Result<Bitmap> PngCodec::decode(const QByteArray& data)
{
    png_image header;
    std::memset(&header, 0, sizeof header);
    header.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&header, data.constData(), size_t(data.size())))
        return Result<Bitmap>::failure(QString::fromUtf8(header.message));
    if (!isAcceptableImageSize(header.width, header.height)) {
        png_image_free(&header);
        return Result<Bitmap>::failure(QStringLiteral("The PNG image is too large."));
    }
    header.format = PNG_FORMAT_BGRA;
    const int width = int(header.width), height = int(header.height);
    Bitmap image{width, height, width * 4, QByteArray(qsizetype(width) * height * 4, Qt::Uninitialized)};
    if (!png_image_finish_read(&header, nullptr, image.row(0), image.stride, nullptr)) {
        const QString message = QString::fromUtf8(header.message);
        png_image_free(&header);
        return Result<Bitmap>::failure(message);
    }
    return image;
}
