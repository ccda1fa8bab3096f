#pragma once

// Decoders refuse images larger than this on either side, so that a damaged
// or hostile header cannot ask for gigabytes of memory.
inline constexpr int kMaximumImageSide = 32768;

inline bool isAcceptableImageSize(long long width, long long height)
{
    return width > 0 && height > 0 && width <= kMaximumImageSide && height <= kMaximumImageSide;
}
