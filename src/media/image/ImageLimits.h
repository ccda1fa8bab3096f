#pragma once

// Decoders refuse images larger than this on either side or in all, so that a
// damaged or hostile header of a few bytes cannot ask for gigabytes of memory.
// 2^27 pixels (512 MiB of BGRA) is over three 8K displays side by side.
inline constexpr int kMaximumImageSide = 32768;
inline constexpr long long kMaximumImagePixels = 1LL << 27;

inline bool isAcceptableImageSize(long long width, long long height)
{
    return width > 0 && height > 0 && width <= kMaximumImageSide && height <= kMaximumImageSide
           && width * height <= kMaximumImagePixels;
}
