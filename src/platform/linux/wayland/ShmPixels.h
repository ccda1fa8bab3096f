#pragma once

#include "core/Bitmap.h"
#include "core/Result.h"

#include <QtGlobal>

// A frame in one of the 32-bit shared-memory layouts a compositor copies
// into, turned into an opaque BGRA Bitmap: byte order swapped where the
// layout keeps red first, rows flipped when the frame is upside down.
class ShmPixels
{
public:
    struct Layout
    {
        quint32 format = 0;  // wl_shm.format
        int width = 0, height = 0, stride = 0;
        bool yInverted = false;
    };

    static bool isSupported(quint32 format);
    // `into` is reused when it has the right size and nobody else shares its pixels.
    static Result<Bitmap> toBitmap(const uchar* data, const Layout& layout, Bitmap into = {});

private:
    static bool isRedFirst(quint32 format);
};
