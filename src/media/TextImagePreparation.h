#pragma once

#include "core/Bitmap.h"

#include <QByteArray>
#include <QRect>

// Turns a captured image into what the recognition engine reads best: one
// grey byte per pixel, dark text on a light background, optionally scaled.
class TextImagePreparation
{
public:
    struct GrayImage
    {
        int width = 0;
        int height = 0;
        QByteArray pixels;      // width × height bytes, rows without padding
        int invertedTiles = 0;  // dark-background tiles turned light
    };

    static constexpr int kTileSize = 32;

    // scale is 1 (as captured), 2 (twice as large, for small text) or 0.5.
    static GrayImage prepare(const Bitmap& image, double scale, bool invertDarkBackgrounds);

    static GrayImage toGray(const Bitmap& image);
    static GrayImage scaled(const GrayImage& image, double scale);
    // The part of `image` inside `area` (clipped to the image).
    static GrayImage cropped(const GrayImage& image, const QRect& area);
    // Inverts every tile whose background (its median grey) is dark, so light
    // text on dark panels reads like dark text on light ones.
    static void invertDarkTiles(GrayImage& image);
};
