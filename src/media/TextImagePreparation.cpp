#include "media/TextImagePreparation.h"

#include <QList>

#include <algorithm>
#include <array>

namespace {

constexpr int kDarkMedian = 110;

int tileMedian(const TextImagePreparation::GrayImage& image, int x0, int y0, int x1, int y1)
{
    std::array<int, 256> histogram{};
    const auto* pixels = reinterpret_cast<const uchar*>(image.pixels.constData());
    for (int y = y0; y < y1; ++y) {
        const uchar* row = pixels + qsizetype(y) * image.width;
        for (int x = x0; x < x1; ++x)
            ++histogram[row[x]];
    }
    const int half = ((x1 - x0) * (y1 - y0) + 1) / 2;
    int seen = 0;
    for (int value = 0; value < 256; ++value) {
        seen += histogram[value];
        if (seen >= half)
            return value;
    }
    return 255;
}

}  // namespace

TextImagePreparation::GrayImage TextImagePreparation::toGray(const Bitmap& image)
{
    GrayImage gray{image.width, image.height, QByteArray(qsizetype(image.width) * image.height, Qt::Uninitialized)};
    auto* out = reinterpret_cast<uchar*>(gray.pixels.data());
    for (int y = 0; y < image.height; ++y) {
        const uchar* in = image.row(y);
        uchar* row = out + qsizetype(y) * image.width;
        for (int x = 0; x < image.width; ++x, in += 4)  // B, G, R, A
            row[x] = uchar((in[0] * 29 + in[1] * 150 + in[2] * 77) >> 8);
    }
    return gray;
}

TextImagePreparation::GrayImage TextImagePreparation::scaled(const GrayImage& image, double scale)
{
    if (scale == 1.0 || image.width == 0 || image.height == 0)
        return image;
    const int width = qMax(1, int(image.width * scale));
    const int height = qMax(1, int(image.height * scale));
    GrayImage result{width, height, QByteArray(qsizetype(width) * height, Qt::Uninitialized)};
    const auto* in = reinterpret_cast<const uchar*>(image.pixels.constData());
    auto* out = reinterpret_cast<uchar*>(result.pixels.data());
    // Bilinear, sampling at pixel centres (averages 2×2 blocks when halving).
    const double step = 1.0 / scale;
    for (int y = 0; y < height; ++y) {
        const double sy = qBound(0.0, (y + 0.5) * step - 0.5, double(image.height - 1));
        const int y0 = int(sy), y1 = qMin(y0 + 1, image.height - 1);
        const int fy = int((sy - y0) * 256);
        const uchar* r0 = in + qsizetype(y0) * image.width;
        const uchar* r1 = in + qsizetype(y1) * image.width;
        uchar* row = out + qsizetype(y) * width;
        for (int x = 0; x < width; ++x) {
            const double sx = qBound(0.0, (x + 0.5) * step - 0.5, double(image.width - 1));
            const int x0 = int(sx), x1 = qMin(x0 + 1, image.width - 1);
            const int fx = int((sx - x0) * 256);
            const int top = r0[x0] * (256 - fx) + r0[x1] * fx;
            const int bottom = r1[x0] * (256 - fx) + r1[x1] * fx;
            row[x] = uchar((top * (256 - fy) + bottom * fy) >> 16);
        }
    }
    return result;
}

TextImagePreparation::GrayImage TextImagePreparation::cropped(const GrayImage& image, const QRect& area)
{
    const QRect r = area & QRect(0, 0, image.width, image.height);
    if (r.isEmpty())
        return {};
    GrayImage result{r.width(), r.height(), QByteArray(qsizetype(r.width()) * r.height(), Qt::Uninitialized)};
    for (int y = 0; y < r.height(); ++y)
        std::copy_n(image.pixels.constData() + qsizetype(r.top() + y) * image.width + r.left(), r.width(),
                    result.pixels.data() + qsizetype(y) * r.width());
    return result;
}

void TextImagePreparation::invertDarkTiles(GrayImage& image)
{
    const int columns = (image.width + kTileSize - 1) / kTileSize;
    const int rows = (image.height + kTileSize - 1) / kTileSize;
    QList<char> dark(qsizetype(columns) * rows, 0);
    for (int ty = 0; ty < rows; ++ty) {
        for (int tx = 0; tx < columns; ++tx) {
            const int median = tileMedian(image, tx * kTileSize, ty * kTileSize,
                                          qMin(image.width, (tx + 1) * kTileSize),
                                          qMin(image.height, (ty + 1) * kTileSize));
            dark[qsizetype(ty) * columns + tx] = median < kDarkMedian;
        }
    }
    auto* pixels = reinterpret_cast<uchar*>(image.pixels.data());
    for (int ty = 0; ty < rows; ++ty) {
        for (int tx = 0; tx < columns; ++tx) {
            if (!dark[qsizetype(ty) * columns + tx])
                continue;
            ++image.invertedTiles;
            for (int y = ty * kTileSize, y1 = qMin(image.height, y + kTileSize); y < y1; ++y) {
                uchar* row = pixels + qsizetype(y) * image.width;
                for (int x = tx * kTileSize, x1 = qMin(image.width, x + kTileSize); x < x1; ++x)
                    row[x] = uchar(255 - row[x]);
            }
        }
    }
}

TextImagePreparation::GrayImage TextImagePreparation::prepare(const Bitmap& image, double scale,
                                                              bool invertDarkBackgrounds)
{
    GrayImage gray = toGray(image);
    if (invertDarkBackgrounds)
        invertDarkTiles(gray);  // before scaling: fewer pixels to look at
    GrayImage result = scaled(gray, scale);
    result.invertedTiles = gray.invertedTiles;
    return result;
}
