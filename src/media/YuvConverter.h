#pragma once

#include <cstddef>
#include <cstdint>

// BGRA (memory order B, G, R, A) to planar yuv420p with the BT.709 matrix in
// limited range; each chroma sample is the mean of its 2×2 pixels. Width and
// height must be even. Plain loops that the compiler vectorises: several
// times faster than libswscale's general path for this one conversion.
class YuvConverter
{
public:
    static void bgraToI420(const uint8_t* bgra, int bgraStride, int width, int height, uint8_t* y, int yStride,
                           uint8_t* u, int uStride, uint8_t* v, int vStride);
};
