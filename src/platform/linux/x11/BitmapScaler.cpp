#include "platform/linux/x11/BitmapScaler.h"

#include <vector>

namespace {
// Source span [begin, end) for target index i of n over a source of size s.
int spanStart(int i, int n, int s)
{
    return int(qint64(i) * s / n);
}
int spanEnd(int i, int n, int s)
{
    return std::max(spanStart(i, n, s) + 1, int(qint64(i + 1) * s / n));
}
}

Bitmap BitmapScaler::scaled(const Bitmap& source, int width, int height)
{
    if (source.isNull() || width <= 0 || height <= 0 || (width == source.width && height == source.height))
        return source;
    Bitmap target{width, height, width * 4, QByteArray(qsizetype(width) * height * 4, Qt::Uninitialized)};
    std::vector<quint32> sums(size_t(source.width) * 4);
    std::vector<int> columnStart(width), columnEnd(width);
    for (int x = 0; x < width; ++x) {
        columnStart[x] = std::min(spanStart(x, width, source.width), source.width - 1);
        columnEnd[x] = std::min(spanEnd(x, width, source.width), source.width);
    }
    for (int y = 0; y < height; ++y) {
        const int top = std::min(spanStart(y, height, source.height), source.height - 1);
        const int bottom = std::min(spanEnd(y, height, source.height), source.height);
        sumRows(source, top, bottom, sums.data());
        auto* out = target.row(y);
        for (int x = 0; x < width; ++x) {
            const quint32 count = quint32(bottom - top) * quint32(columnEnd[x] - columnStart[x]);
            for (int channel = 0; channel < 4; ++channel) {
                quint32 total = 0;
                for (int sx = columnStart[x]; sx < columnEnd[x]; ++sx)
                    total += sums[size_t(sx) * 4 + channel];
                out[x * 4 + channel] = uchar((total + count / 2) / count);
            }
        }
    }
    return target;
}

void BitmapScaler::sumRows(const Bitmap& source, int firstRow, int endRow, quint32* sums)
{
    std::fill(sums, sums + size_t(source.width) * 4, 0u);
    for (int y = firstRow; y < endRow; ++y) {
        const uchar* row = source.row(y);
        for (int i = 0; i < source.width * 4; ++i)
            sums[i] += row[i];
    }
}
