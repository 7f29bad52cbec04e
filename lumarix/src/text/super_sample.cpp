// The sample walks of SuperTextOut, SuperTextOut_Layer and SuperTextOutFast_Layer. Weights are
// on a scale of 256 with a truncating shift and no rounding term, so white ink on black reaches
// 254 and black ink on white reaches 0.
#include "text/super_sample.h"

#include <algorithm>

namespace lumarix::text {
namespace {

bool Is32(const TBitmap& bitmap) { return bitmap.PixelFormat() == TPixelFormat::pf32bit; }

// Columns i with 0 <= x + i < width, for i in 0..count-1.
void ColumnRange(int32_t x, int64_t count, int32_t width, int64_t& first, int64_t& end) {
    first = std::max<int64_t>(0, -int64_t(x));
    end = std::min<int64_t>(count, int64_t(width) - x);
}

inline int Sum4(const uint8_t* upper, const uint8_t* lower, int64_t i) {
    return upper[8 * i] + upper[8 * i + 4] + lower[8 * i] + lower[8 * i + 4];
}

}  // namespace

TextRgb ResolveTextColor(TColor color) {
    const uint32_t rgb = uint32_t(ColorToRGB(color));
    return TextRgb{uint8_t(rgb), uint8_t(rgb >> 8), uint8_t(rgb >> 16)};
}

void SuperSampleBlend(const TBitmap& samples, TBitmap& dest, int32_t x, int32_t y, int32_t hw, int32_t hh,
                      TextRgb colour) {
    if (!Is32(samples) || !Is32(dest)) return;
    int64_t width = hw, height = hh;
    if (int64_t(x) + width > dest.Width()) width = int64_t(dest.Width()) - x;
    if (int64_t(y) + height > dest.Height()) height = int64_t(dest.Height()) - y;
    if (width <= 0 || height <= 0) return;
    if (samples.Width() < 2 * width || samples.Height() < 2 * height + 1) return;

    int64_t i0, i1;
    ColumnRange(x, width, dest.Width(), i0, i1);
    for (int64_t j = std::max<int64_t>(0, -int64_t(y)); j < height; ++j) {
        const uint8_t* upper = samples.ScanLine(int32_t(2 * j + 1));
        const uint8_t* lower = samples.ScanLine(int32_t(2 * j + 2));
        uint8_t* row = dest.ScanLine(int32_t(y + j));
        for (int64_t i = i0; i < i1; ++i) {
            const unsigned a = unsigned(Sum4(upper, lower, i) >> 2) + 1;
            const unsigned b = 256 - a;
            uint8_t* p = row + 4 * (x + i);
            p[0] = uint8_t((p[0] * a + colour.blue * b) >> 8);
            p[1] = uint8_t((p[1] * a + colour.green * b) >> 8);
            p[2] = uint8_t((p[2] * a + colour.red * b) >> 8);
        }
    }
}

void SuperSampleLayer(const TBitmap& samples, TBitmap& dest, int32_t x, int32_t y, int32_t hw, int32_t hh,
                      TextRgb colour) {
    if (!Is32(samples) || !Is32(dest) || hw <= 0 || hh <= 0) return;
    if (samples.Width() < 2 * int64_t(hw) || samples.Height() < 2 * int64_t(hh) + 1) return;

    int64_t i0, i1;
    ColumnRange(x, hw, dest.Width(), i0, i1);
    for (int64_t j = 0; j < hh; ++j) {
        const uint8_t* upper = samples.ScanLine(int32_t(2 * j + 1));
        const uint8_t* lower = samples.ScanLine(int32_t(2 * j + 2));
        uint8_t* row = dest.ScanLine(int32_t(std::clamp<int64_t>(int64_t(y) + j, INT32_MIN, INT32_MAX)));
        for (int64_t i = i0; i < i1; ++i) {
            const int sum = Sum4(upper, lower, i);
            if (sum == 1020) continue;
            uint8_t* p = row + 4 * (x + i);
            p[0] = colour.blue;
            p[1] = colour.green;
            p[2] = colour.red;
            p[3] = uint8_t(sum >> 2);
        }
    }
}

void FastSampleLayer(const TBitmap& samples, TBitmap& dest, int32_t x, int32_t y, int32_t cx, int32_t cy,
                     TextRgb colour) {
    if (!Is32(samples) || !Is32(dest) || cx <= 0 || cy <= 0) return;
    if (samples.Width() < cx || samples.Height() < cy) return;

    int64_t i0, i1;
    ColumnRange(x, cx, dest.Width(), i0, i1);
    for (int64_t j = 0; j < cy; ++j) {
        const uint8_t* sampleRow = samples.ScanLine(int32_t(j));
        uint8_t* row = dest.ScanLine(int32_t(std::clamp<int64_t>(int64_t(y) + j, INT32_MIN, INT32_MAX)));
        for (int64_t i = i0; i < i1; ++i) {
            if (sampleRow[4 * i] == 255) continue;
            uint8_t* p = row + 4 * (x + i);
            p[0] = colour.blue;
            p[1] = colour.green;
            p[2] = colour.red;
            p[3] = 0;
        }
    }
}

}  // namespace lumarix::text
