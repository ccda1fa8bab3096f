#pragma once

#include "core/textsearch/TextPage.h"

#include <QRect>

// Content hashes of grey images and of the text lines in them (64 bits, not
// cryptographic). A line's hash depends only on its pixels, not on where it
// is: its box is first widened by a small margin and then trimmed to the
// rows and columns that differ from the background, so the same line moved
// by a scroll or a dragged window, or found with a box a pixel larger, hashes
// the same.
class LineImageHash
{
public:
    static constexpr int kMargin = 2;

    static quint64 frame(const GrayPixels& image);
    static quint64 line(const GrayPixels& image, const QRect& box);
    // The box line() hashes: widened, clipped to the image, trimmed to the ink.
    static QRect inkBox(const GrayPixels& image, const QRect& box);
};
