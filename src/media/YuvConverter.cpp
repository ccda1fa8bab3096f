#include "media/YuvConverter.h"

namespace {

// BT.709 weights scaled to limited range (Y 16…235, Cb/Cr 16…240), × 2^15.
constexpr int kYR = 5983, kYG = 20127, kYB = 2032;
constexpr int kUR = -3298, kUG = -11094, kUB = 14392;
constexpr int kVR = 14392, kVG = -13073, kVB = -1319;
constexpr int kShift = 15;

void lumaRow(const uint8_t* bgra, uint8_t* y, int width)
{
    constexpr int kOffset = (16 << kShift) + (1 << (kShift - 1));
    for (int x = 0; x < width; ++x) {
        const int b = bgra[4 * x], g = bgra[4 * x + 1], r = bgra[4 * x + 2];
        y[x] = uint8_t((kYR * r + kYG * g + kYB * b + kOffset) >> kShift);
    }
}

void chromaRow(const uint8_t* top, const uint8_t* bottom, uint8_t* u, uint8_t* v, int halfWidth)
{
    // Sums of four pixels, hence two more bits of shift.
    constexpr int kOffset = (128 << (kShift + 2)) + (1 << (kShift + 1));
    for (int x = 0; x < halfWidth; ++x) {
        const int b = top[8 * x] + top[8 * x + 4] + bottom[8 * x] + bottom[8 * x + 4];
        const int g = top[8 * x + 1] + top[8 * x + 5] + bottom[8 * x + 1] + bottom[8 * x + 5];
        const int r = top[8 * x + 2] + top[8 * x + 6] + bottom[8 * x + 2] + bottom[8 * x + 6];
        u[x] = uint8_t((kUR * r + kUG * g + kUB * b + kOffset) >> (kShift + 2));
        v[x] = uint8_t((kVR * r + kVG * g + kVB * b + kOffset) >> (kShift + 2));
    }
}

}  // namespace

void YuvConverter::bgraToI420(const uint8_t* bgra, int bgraStride, int width, int height, uint8_t* y, int yStride,
                              uint8_t* u, int uStride, uint8_t* v, int vStride)
{
    for (int row = 0; row + 1 < height; row += 2) {
        const uint8_t* top = bgra + std::ptrdiff_t(row) * bgraStride;
        const uint8_t* bottom = top + bgraStride;
        lumaRow(top, y + std::ptrdiff_t(row) * yStride, width);
        lumaRow(bottom, y + std::ptrdiff_t(row + 1) * yStride, width);
        chromaRow(top, bottom, u + std::ptrdiff_t(row / 2) * uStride, v + std::ptrdiff_t(row / 2) * vStride, width / 2);
    }
}
