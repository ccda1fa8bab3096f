#pragma once

#include <QByteArray>

// A captured or decoded image as it crosses layers: 32-bit pixels in memory
// order B, G, R, A (little-endian ARGB32), rows of `stride` bytes. The pixel
// buffer is implicitly shared, so copies are cheap.
struct Bitmap
{
    int width = 0;
    int height = 0;
    int stride = 0;  // bytes per row, at least width * 4
    QByteArray pixels;

    bool isNull() const { return width <= 0 || height <= 0 || pixels.size() < qsizetype(stride) * height; }
    const uchar* row(int y) const { return reinterpret_cast<const uchar*>(pixels.constData()) + qsizetype(y) * stride; }
    uchar* row(int y) { return reinterpret_cast<uchar*>(pixels.data()) + qsizetype(y) * stride; }

    static Bitmap filled(int width, int height, quint32 argb)
    {
        Bitmap b{width, height, width * 4, QByteArray(qsizetype(width) * height * 4, Qt::Uninitialized)};
        auto* p = reinterpret_cast<quint32*>(b.pixels.data());
        for (qsizetype i = 0, n = qsizetype(width) * height; i < n; ++i)
            p[i] = argb;
        return b;
    }
    quint32 pixel(int x, int y) const { return reinterpret_cast<const quint32*>(row(y))[x]; }
};
