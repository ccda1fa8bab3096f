#pragma once

#include "core/Bitmap.h"

// Resizes a Bitmap by averaging the source pixels each target pixel covers
// (a box filter), which is what a screenshot shrunk to half size needs;
// enlarging repeats pixels. One pass over the source, no floating point.
class BitmapScaler
{
public:
    static Bitmap scaled(const Bitmap& source, int width, int height);

private:
    static void sumRows(const Bitmap& source, int firstRow, int endRow, quint32* sums);
};
