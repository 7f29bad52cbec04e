// Helpers shared by the filters: the 32-bit check, row access as pixel words, and rectangle
// clipping in 64-bit arithmetic so that no sum of caller coordinates can overflow.
#pragma once

#include <lumarix/Graphics.h>

#include <algorithm>
#include <cstdint>

namespace lumarix::filters {

inline bool is_32bit(const TBitmap& bitmap) { return bitmap.PixelFormat() == TPixelFormat::pf32bit; }

/// Row y of a 32-bit bitmap as pixel words (blue in bits 0 to 7 on a little-endian machine).
inline uint32_t* row32(TBitmap& bitmap, int32_t y) { return reinterpret_cast<uint32_t*>(bitmap.ScanLine(y)); }

/// A half-open pixel rectangle [x0, x1) x [y0, y1).
struct Span {
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool empty() const { return x0 >= x1 || y0 >= y1; }
};

/// The part of the rectangle x, y, w, h that lies inside a width x height bitmap.
inline Span clip_rect(int64_t x, int64_t y, int64_t w, int64_t h, int32_t width, int32_t height) {
    Span s;
    s.x0 = int32_t(std::clamp<int64_t>(x, 0, width));
    s.y0 = int32_t(std::clamp<int64_t>(y, 0, height));
    s.x1 = int32_t(std::clamp<int64_t>(x + w, 0, width));
    s.y1 = int32_t(std::clamp<int64_t>(y + h, 0, height));
    return s;
}

}  // namespace lumarix::filters
