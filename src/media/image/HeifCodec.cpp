#include "media/image/HeifCodec.h"

#include "media/image/ImageLimits.h"

#include <libheif/heif.h>

#include <cstring>
#include <memory>

namespace {

struct HeifDeleter
{
    void operator()(heif_context* p) const { heif_context_free(p); }
    void operator()(heif_image* p) const { heif_image_release(p); }
    void operator()(const heif_image_handle* p) const { heif_image_handle_release(p); }
    void operator()(heif_encoder* p) const { heif_encoder_release(p); }
    void operator()(heif_encoding_options* p) const { heif_encoding_options_free(p); }
    void operator()(heif_color_profile_nclx* p) const { heif_nclx_color_profile_free(p); }
};
template <typename T>
using HeifPtr = std::unique_ptr<T, HeifDeleter>;

QString describe(const heif_error& error)
{
    return QString::fromUtf8(error.message ? error.message : "HEIF error");
}

// Full-range BT.601 in 16-bit fixed point.
constexpr int kShift = 16;
constexpr int kHalf = 1 << (kShift - 1);
constexpr int fixed(double v)
{
    return int(v * (1 << kShift) + (v < 0 ? -0.5 : 0.5));
}

inline uchar lumaOf(int r, int g, int b)
{
    return uchar((fixed(0.299) * r + fixed(0.587) * g + fixed(0.114) * b + kHalf) >> kShift);
}
inline uchar clampByte(int v)
{
    return uchar(v < 0 ? 0 : v > 255 ? 255 : v);
}

// Fills the three planes; chroma is the average of each 2×2 block (clipped at
// odd edges).
void convertToYCbCr420(const Bitmap& image, heif_image* out)
{
    int yStride = 0, cbStride = 0, crStride = 0;
    uint8_t* yPlane = heif_image_get_plane(out, heif_channel_Y, &yStride);
    uint8_t* cbPlane = heif_image_get_plane(out, heif_channel_Cb, &cbStride);
    uint8_t* crPlane = heif_image_get_plane(out, heif_channel_Cr, &crStride);
    for (int y = 0; y < image.height; ++y) {
        const uchar* src = image.row(y);
        uint8_t* dst = yPlane + qsizetype(y) * yStride;
        for (int x = 0; x < image.width; ++x)
            dst[x] = lumaOf(src[x * 4 + 2], src[x * 4 + 1], src[x * 4]);
    }
    for (int cy = 0; cy < (image.height + 1) / 2; ++cy) {
        const uchar* row0 = image.row(cy * 2);
        const uchar* row1 = image.row(qMin(cy * 2 + 1, image.height - 1));
        uint8_t* cb = cbPlane + qsizetype(cy) * cbStride;
        uint8_t* cr = crPlane + qsizetype(cy) * crStride;
        for (int cx = 0; cx < (image.width + 1) / 2; ++cx) {
            const int x0 = cx * 2 * 4;
            const int x1 = qMin(cx * 2 + 1, image.width - 1) * 4;
            const int b = row0[x0] + row0[x1] + row1[x0] + row1[x1];
            const int g = row0[x0 + 1] + row0[x1 + 1] + row1[x0 + 1] + row1[x1 + 1];
            const int r = row0[x0 + 2] + row0[x1 + 2] + row1[x0 + 2] + row1[x1 + 2];
            // r, g, b are sums of four samples: divide by 4 inside the shift.
            cb[cx] = clampByte(
                128 + ((-fixed(0.168736) * r - fixed(0.331264) * g + fixed(0.5) * b + (kHalf << 2)) >> (kShift + 2)));
            cr[cx] = clampByte(
                128 + ((fixed(0.5) * r - fixed(0.418688) * g - fixed(0.081312) * b + (kHalf << 2)) >> (kShift + 2)));
        }
    }
}

Result<HeifPtr<heif_image>> makeInputImage(const Bitmap& image)
{
    using R = Result<HeifPtr<heif_image>>;
    heif_image* raw = nullptr;
    heif_error error = heif_image_create(image.width, image.height, heif_colorspace_YCbCr, heif_chroma_420, &raw);
    HeifPtr<heif_image> out(raw);
    if (error.code != heif_error_Ok)
        return R::failure(describe(error));
    const int chromaWidth = (image.width + 1) / 2, chromaHeight = (image.height + 1) / 2;
    for (const auto& [channel, w, h] :
         {std::tuple{heif_channel_Y, image.width, image.height}, std::tuple{heif_channel_Cb, chromaWidth, chromaHeight},
          std::tuple{heif_channel_Cr, chromaWidth, chromaHeight}}) {
        error = heif_image_add_plane(out.get(), channel, w, h, 8);
        if (error.code != heif_error_Ok)
            return R::failure(describe(error));
    }
    HeifPtr<heif_color_profile_nclx> nclx(heif_nclx_color_profile_alloc());
    if (nclx) {
        nclx->color_primaries = heif_color_primaries_ITU_R_BT_709_5;
        nclx->transfer_characteristics = heif_transfer_characteristic_IEC_61966_2_1;
        nclx->matrix_coefficients = heif_matrix_coefficients_ITU_R_BT_601_6;
        nclx->full_range_flag = 1;
        heif_image_set_nclx_color_profile(out.get(), nclx.get());
    }
    convertToYCbCr420(image, out.get());
    return R(std::move(out));
}

heif_error appendToByteArray(heif_context*, const void* data, size_t size, void* userdata)
{
    static_cast<QByteArray*>(userdata)->append(static_cast<const char*>(data), qsizetype(size));
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

}  // namespace

Result<QByteArray> HeifCodec::encode(const Bitmap& image, int quality)
{
    using R = Result<QByteArray>;
    if (image.isNull())
        return R::failure(QStringLiteral("The image is empty."));
    HeifPtr<heif_context> context(heif_context_alloc());
    if (!context)
        return R::failure(QStringLiteral("The HEIC encoder could not start."));
    heif_encoder* rawEncoder = nullptr;
    heif_error error = heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &rawEncoder);
    HeifPtr<heif_encoder> encoder(rawEncoder);
    if (error.code != heif_error_Ok)
        return R::failure(describe(error));
    heif_encoder_set_lossy_quality(encoder.get(), qBound(0, quality, 100));
    heif_encoder_set_parameter_string(encoder.get(), "preset", kPreset);
    // The encoder's own default of 2 makes intra search much slower for
    // little gain on screen content.
    heif_encoder_set_parameter_integer(encoder.get(), "tu-intra-depth", 1);
    // One thread: a background capture should not occupy every core, and
    // x265's wavefront threads cost more CPU time in total for a single frame.
    heif_encoder_set_parameter(encoder.get(), "x265:pools", "1");
    heif_encoder_set_parameter(encoder.get(), "x265:frame-threads", "1");
    heif_encoder_set_parameter(encoder.get(), "x265:wpp", "0");

    auto input = makeInputImage(image);
    if (!input)
        return R::failure(input.error());
    HeifPtr<heif_encoding_options> options(heif_encoding_options_alloc());
    options->save_alpha_channel = 0;
    error = heif_context_encode_image(context.get(), input.value().get(), encoder.get(), options.get(), nullptr);
    if (error.code != heif_error_Ok)
        return R::failure(describe(error));

    QByteArray out;
    heif_writer writer{1, appendToByteArray};
    error = heif_context_write(context.get(), &writer, &out);
    if (error.code != heif_error_Ok)
        return R::failure(describe(error));
    return out;
}

Result<Bitmap> HeifCodec::decode(const QByteArray& data)
{
    using R = Result<Bitmap>;
    HeifPtr<heif_context> context(heif_context_alloc());
    if (!context)
        return R::failure(QStringLiteral("The HEIC decoder could not start."));
    heif_error error = heif_context_read_from_memory_without_copy(context.get(), data.constData(), size_t(data.size()),
                                                                  nullptr);
    if (error.code != heif_error_Ok)
        return R::failure(describe(error));
    heif_image_handle* rawHandle = nullptr;
    error = heif_context_get_primary_image_handle(context.get(), &rawHandle);
    HeifPtr<const heif_image_handle> handle(rawHandle);
    if (error.code != heif_error_Ok)
        return R::failure(describe(error));
    if (!isAcceptableImageSize(heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get())))
        return R::failure(QStringLiteral("The HEIC image has an unusable size."));
    heif_image* rawImage = nullptr;
    error = heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr);
    HeifPtr<heif_image> decoded(rawImage);
    if (error.code != heif_error_Ok)
        return R::failure(describe(error));

    const int width = heif_image_get_width(decoded.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(decoded.get(), heif_channel_interleaved);
    int sourceStride = 0;
    const uint8_t* source = heif_image_get_plane_readonly(decoded.get(), heif_channel_interleaved, &sourceStride);
    if (!source || !isAcceptableImageSize(width, height))
        return R::failure(QStringLiteral("The HEIC image has no pixels."));
    Bitmap out{width, height, width * 4, QByteArray(qsizetype(width) * height * 4, Qt::Uninitialized)};
    for (int y = 0; y < height; ++y) {
        const uint8_t* from = source + qsizetype(y) * sourceStride;
        uchar* to = out.row(y);
        for (int x = 0; x < width; ++x) {
            to[x * 4] = from[x * 4 + 2];
            to[x * 4 + 1] = from[x * 4 + 1];
            to[x * 4 + 2] = from[x * 4];
            to[x * 4 + 3] = from[x * 4 + 3];
        }
    }
    return out;
}
