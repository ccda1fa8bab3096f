#include "core/textsearch/LineImageHash.h"

#include <array>
#include <cstring>

namespace {

constexpr quint64 kMultiplier = 0x9E3779B97F4A7C15ull;

quint64 mix(quint64 hash, quint64 value)
{
    hash ^= value;
    hash *= kMultiplier;
    return hash ^ (hash >> 29);
}

quint64 hashBytes(quint64 hash, const uchar* bytes, qsizetype size)
{
    qsizetype i = 0;
    for (; i + 8 <= size; i += 8) {
        quint64 word;
        std::memcpy(&word, bytes + i, 8);
        hash = mix(hash, word);
    }
    quint64 tail = 0;
    std::memcpy(&tail, bytes + i, size_t(size - i));
    return mix(hash, tail ^ (quint64(size - i) << 56));
}

int perimeterBackground(const GrayPixels& image, const QRect& r)
{
    std::array<int, 256> counts{};
    for (int x = r.left(); x <= r.right(); ++x) {
        ++counts[image.row(r.top())[x]];
        ++counts[image.row(r.bottom())[x]];
    }
    for (int y = r.top(); y <= r.bottom(); ++y) {
        ++counts[image.row(y)[r.left()]];
        ++counts[image.row(y)[r.right()]];
    }
    int best = 0;
    for (int value = 1; value < 256; ++value)
        if (counts[value] > counts[best])
            best = value;
    return best;
}

bool rowIsBackground(const GrayPixels& image, const QRect& r, int y, uchar background)
{
    const uchar* row = image.row(y);
    for (int x = r.left(); x <= r.right(); ++x)
        if (row[x] != background)
            return false;
    return true;
}

bool columnIsBackground(const GrayPixels& image, const QRect& r, int x, uchar background)
{
    for (int y = r.top(); y <= r.bottom(); ++y)
        if (image.row(y)[x] != background)
            return false;
    return true;
}

}  // namespace

quint64 LineImageHash::frame(const GrayPixels& image)
{
    const quint64 start = mix(quint64(image.width) << 32 | quint32(image.height), 0);
    return hashBytes(start, image.pixels, qsizetype(image.width) * image.height);
}

QRect LineImageHash::inkBox(const GrayPixels& image, const QRect& box)
{
    QRect r = box.adjusted(-kMargin, -kMargin, kMargin, kMargin) & QRect(0, 0, image.width, image.height);
    if (r.isEmpty())
        return {};
    const uchar background = uchar(perimeterBackground(image, r));
    while (!r.isEmpty() && rowIsBackground(image, r, r.top(), background))
        r.setTop(r.top() + 1);
    while (!r.isEmpty() && rowIsBackground(image, r, r.bottom(), background))
        r.setBottom(r.bottom() - 1);
    while (!r.isEmpty() && columnIsBackground(image, r, r.left(), background))
        r.setLeft(r.left() + 1);
    while (!r.isEmpty() && columnIsBackground(image, r, r.right(), background))
        r.setRight(r.right() - 1);
    return r.isEmpty() ? QRect() : r;
}

quint64 LineImageHash::line(const GrayPixels& image, const QRect& box)
{
    const QRect ink = inkBox(image, box);
    quint64 hash = mix(quint64(ink.width()) << 32 | quint32(ink.height()), 1);
    for (int y = ink.top(); y <= ink.bottom() && !ink.isEmpty(); ++y)
        hash = hashBytes(hash, image.row(y) + ink.left(), ink.width());
    return hash;
}
