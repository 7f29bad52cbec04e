// Mosaic, rotation and the two flips.
#include <lumarix/filters32/geometric_filters.h>

#include "filters/filter_common.h"
#include "filters/geometric_kernels.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace lumarix {

using filters::row32;

// ==== Mosaic ====================================================================================

// Each block takes its top-left pixel's colour. The first row of a block is filled span by span
// from the block's first pixel (read before the span is written, so the in-place copy is safe);
// the block's further rows repeat that finished row.
void Mosaic32(int32_t x, int32_t y, int32_t w, int32_t h, int32_t blockW, int32_t blockH, TBitmap& bitmap) {
    if (!filters::is_32bit(bitmap) || blockW < 1 || blockH < 1) return;
    const filters::Span s = filters::clip_rect(x, y, w, h, bitmap.Width(), bitmap.Height());
    if (s.empty()) return;
    const size_t spanBytes = size_t(s.x1 - s.x0) * 4;
    for (int32_t top = s.y0; top < s.y1; top += std::min(blockH, s.y1 - top)) {
        uint32_t* first = row32(bitmap, top);
        for (int32_t c = s.x0; c < s.x1; c += std::min(blockW, s.x1 - c))
            std::fill(first + c, first + c + std::min(blockW, s.x1 - c), first[c]);
        const int32_t bottom = int32_t(std::min<int64_t>(int64_t(top) + blockH, s.y1));
        for (int32_t r = top + 1; r < bottom; ++r) std::memcpy(row32(bitmap, r) + s.x0, first + s.x0, spanBytes);
    }
}

// ==== Rotation ==================================================================================

namespace filters {

RotationCoefficients rotation_coefficients(int32_t angle) {
    constexpr long double kPi = 3.141592653589793238462643383279502884L;
    const long double theta = (360.0L - static_cast<long double>(angle)) * kPi / 180.0L;
    return {int32_t(std::trunc(1024.0L * std::cos(theta))), int32_t(std::trunc(1024.0L * std::sin(theta)))};
}

namespace {

int64_t floor_div(int64_t a, int64_t b) {  // b > 0
    const int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

int64_t ceil_div(int64_t a, int64_t b) { return -floor_div(-a, b); }

}  // namespace

void narrow_to_range(int64_t base, int64_t step, int64_t limit, int64_t& lo, int64_t& hi) {
    if (step == 0) {
        if (base < 0 || base > limit) hi = lo;
    } else if (step > 0) {
        lo = std::max(lo, ceil_div(-base, step));
        hi = std::min(hi, floor_div(limit - base, step) + 1);
    } else {
        lo = std::max(lo, ceil_div(base - limit, -step));
        hi = std::min(hi, floor_div(base, -step) + 1);
    }
    if (hi < lo) hi = lo;
}

}  // namespace filters

void Rotate32(TBitmap& src, TBitmap& dst, int32_t dstX, int32_t dstY, int32_t width, int32_t height,
              int32_t panX, int32_t panY, int32_t angle) {
    if (!filters::is_32bit(src) || !filters::is_32bit(dst) || width <= 0 || height <= 0) return;

    // Window pixels that lie inside dst, and the part of the source area that lies inside src.
    const int64_t i0 = std::max<int64_t>(0, -int64_t(dstX));
    const int64_t i1 = std::min<int64_t>(width, int64_t(dst.Width()) - dstX);
    const int64_t j0 = std::max<int64_t>(0, -int64_t(dstY));
    const int64_t j1 = std::min<int64_t>(height, int64_t(dst.Height()) - dstY);
    const int32_t areaW = std::min(width, src.Width());
    const int32_t areaH = std::min(height, src.Height());
    if (i0 >= i1 || j0 >= j1 || areaW <= 0 || areaH <= 0) return;

    std::vector<const uint32_t*> srcRows(static_cast<size_t>(areaH));
    for (int32_t r = 0; r < areaH; ++r) srcRows[size_t(r)] = row32(src, r);
    std::vector<uint32_t*> dstRows(size_t(j1 - j0));
    for (int64_t j = j0; j < j1; ++j) dstRows[size_t(j - j0)] = row32(dst, int32_t(dstY + j));

    const filters::RotationCoefficients k = filters::rotation_coefficients(angle);
    const int64_t hw = width / 2, hh = height / 2;
    const int64_t u0 = int64_t(panX) - hw;  // u at window column 0
    filters::RotationRow rowJob{};
    rowJob.srcRows = srcRows.data();
    rowJob.cosK = k.cosK;
    rowJob.sinK = k.sinK;
    // The table's kernels fetch a step of pixels at once by 32-bit offsets from the first source
    // row; they need the rows evenly spaced and every position, in 1/1024 pixel, below 2^31. They
    // read a whole step before they store it, so a source that is the destination (whose rows may
    // already hold rotated pixels) takes the plain walk, one read and one write at a time.
    filters::RotateRow kernel = filters::rotate_row;
    const int64_t stride = areaH > 1 ? srcRows[1] - srcRows[0] : src.Width();
    bool block = !filters::shares_pixels(src, dst) && int64_t(areaW) * 1024 < (int64_t(1) << 31) &&
                 int64_t(areaH) * 1024 < (int64_t(1) << 31) && stride >= areaW && stride * areaH < (int64_t(1) << 31);
    for (int32_t r = 1; block && r < areaH; ++r) block = srcRows[size_t(r)] == srcRows[0] + r * stride;
    if (block) {
        rowJob.base = srcRows[0];
        rowJob.stride = int32_t(stride);
        kernel = filters::best_geometric_kernels().rotate;
    }
    for (int64_t j = j0; j < j1; ++j) {
        const int64_t v = j + panY - hh;
        // Source position in 1/1024 pixel at window column 0; each column adds (cosK, sinK).
        const int64_t x0 = u0 * k.cosK - v * k.sinK + hw * 1024;
        const int64_t y0 = u0 * k.sinK + v * k.cosK + hh * 1024;
        int64_t lo = i0, hi = i1;
        filters::narrow_to_range(x0, k.cosK, int64_t(areaW) * 1024 - 1, lo, hi);
        filters::narrow_to_range(y0, k.sinK, int64_t(areaH) * 1024 - 1, lo, hi);
        if (lo >= hi) continue;
        rowJob.dst = dstRows[size_t(j - j0)] + dstX + lo;
        rowJob.count = int32_t(hi - lo);
        rowJob.x = x0 + lo * k.cosK;
        rowJob.y = y0 + lo * k.sinK;
        kernel(rowJob);
    }
}

void Rotate32A(TBitmap& src, TBitmap& dst, int32_t angle) { Rotate32(src, dst, 0, 0, dst.Width(), dst.Height(), 0, 0, angle); }

// ==== Flips =====================================================================================

void ChangeTopBottom(TBitmap& bitmap) {
    bitmap.SetPixelFormat(TPixelFormat::pf32bit);
    const int32_t width = bitmap.Width(), height = bitmap.Height();
    if (width <= 0 || height <= 1) return;
    const size_t bytes = size_t(width) * 4;
    std::vector<uint8_t> spare(bytes);
    for (int32_t top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
        uint8_t* a = bitmap.ScanLine(top);
        uint8_t* b = bitmap.ScanLine(bottom);
        std::memcpy(spare.data(), a, bytes);
        std::memcpy(a, b, bytes);
        std::memcpy(b, spare.data(), bytes);
    }
}

void Mirror(TBitmap& bitmap) {
    bitmap.SetPixelFormat(TPixelFormat::pf32bit);
    const int32_t width = bitmap.Width(), height = bitmap.Height();
    if (width <= 1) return;
    const filters::ReverseRow reverse = filters::best_geometric_kernels().reverse;
    for (int32_t y = 0; y < height; ++y) reverse(row32(bitmap, y), width);
}

}  // namespace lumarix
