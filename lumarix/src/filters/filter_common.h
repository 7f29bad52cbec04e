// Helpers shared by the filters: the 32-bit check, row access as pixel words, and rectangle
// clipping in 64-bit arithmetic so that no sum of caller coordinates can overflow.
#pragma once

#include <lumarix/Graphics.h>

#include <algorithm>
#include <cstdint>
#include <functional>

namespace lumarix::filters {

inline bool is_32bit(const TBitmap& bitmap) { return bitmap.PixelFormat() == TPixelFormat::pf32bit; }

/// Row y of a 32-bit bitmap as pixel words (blue in bits 0 to 7 on a little-endian machine).
inline uint32_t* row32(TBitmap& bitmap, int32_t y) { return reinterpret_cast<uint32_t*>(bitmap.ScanLine(y)); }

/// Whether the two bitmaps' pixel buffers overlap (one bitmap in two roles). The vector paths
/// read ahead of what they write, so with overlap the callers take the plain in-order walk.
inline bool shares_pixels(const TBitmap& a, const TBitmap& b) {
    if (&a == &b) return true;
    if (a.Height() <= 0 || b.Height() <= 0) return false;
    const uint8_t* a0 = a.ScanLine(0);
    const uint8_t* b0 = b.ScanLine(0);
    const uint8_t* a1 = a.ScanLine(a.Height() - 1) + a.RowStride();
    const uint8_t* b1 = b.ScanLine(b.Height() - 1) + b.RowStride();
    return std::less<const uint8_t*>()(a0, b1) && std::less<const uint8_t*>()(b0, a1);
}

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
