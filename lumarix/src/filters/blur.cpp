// The in-place box blur with running sums.
//
// Pixels are finished in reading order, and each window reads the bitmap as it is at that
// moment: rows above the current one blurred, the current row blurred left of the pixel and
// original from the pixel on, rows below original. Two kinds of running sum keep that order:
//
//   col[c]  the sum of column c over the window's rows, as the bitmap holds them now. When
//           pixel (c, y) is written, col[c] changes by new - old; between rows it loses row
//           y - ry (already blurred) and gains row y + ry + 1 (still original).
//   win     the sum of col[] over the window's columns. Moving right it gains the change of the
//           pixel just written, loses col[x - rx] and gains col[x + rx + 1].
//
// The window reaches rx columns and ry rows each way. A window that reaches past both edges of
// a line covers the whole line whatever its radius, so each direction's radius is clamped to the
// line's length less one (BlurRadii): the windows, and so the bytes, are those of the radius as
// passed, and time and memory depend on the bitmap's size only.
//
// col[] has rx + 1 zero entries on each side, so the edges need no tests. The mean is the sum
// times a reciprocal (see Reciprocal); windows above kBlurMagicLimit pixels use 64-bit sums and
// a division instead.
#include <lumarix/filters32/geometric_filters.h>

#include "filters/filter_common.h"
#include "filters/geometric_kernels.h"

#include <algorithm>
#include <array>
#include <bit>
#include <type_traits>
#include <vector>

namespace lumarix {

namespace filters {

Reciprocal reciprocal_for(uint64_t n) {
    if (n <= 1) return {};
    const auto bits = uint32_t(std::bit_width(n - 1));  // ceil(log2 n)
    Reciprocal r;
    r.sh = 31 + bits;
    r.m = ((uint64_t(1) << r.sh) + n - 1) / n;
    return r;
}

BlurRadii blur_radii(int32_t radius, int32_t width, int32_t height) {
    return {std::min(radius, width - 1), std::min(radius, height - 1)};
}

namespace {

uint32_t* row_at(PixelRows rows, int32_t y) {
    return reinterpret_cast<uint32_t*>(rows.first + ptrdiff_t(y) * rows.stride);
}

template <bool kReciprocal>
void blur_rows(PixelRows rows, int32_t width, int32_t height, BlurRadii radii) {
    using Sum = std::conditional_t<kReciprocal, uint32_t, uint64_t>;
    using Px = std::array<Sum, 4>;
    const int32_t R = radii.x, RY = radii.y;
    std::vector<Px> colStore(size_t(width) + 2 * size_t(R) + 2, Px{});
    Px* col = colStore.data() + R + 1;

    auto add_row = [&](const uint32_t* row) {
        for (int32_t c = 0; c < width; ++c)
            for (int k = 0; k < 4; ++k) col[c][size_t(k)] += (row[c] >> (8 * k)) & 255;
    };
    auto sub_row = [&](const uint32_t* row) {
        for (int32_t c = 0; c < width; ++c)
            for (int k = 0; k < 4; ++k) col[c][size_t(k)] -= (row[c] >> (8 * k)) & 255;
    };

    std::vector<int32_t> colCount(static_cast<size_t>(width));
    for (int32_t x = 0; x < width; ++x)
        colCount[size_t(x)] = std::min(x + R, width - 1) - std::max(x - R, 0) + 1;
    const int32_t maxCols = std::min<int64_t>(2 * int64_t(R) + 1, width);
    std::vector<Reciprocal> recip(size_t(maxCols) + 1);

    for (int32_t yy = 0; yy <= std::min(RY, height - 1); ++yy) add_row(row_at(rows, yy));

    int64_t recipRows = 0;  // the row count recip[] was made for; rows away from the edges share it
    for (int32_t y = 0; y < height; ++y) {
        const int64_t rowCount = std::min(y + RY, height - 1) - std::max(y - RY, 0) + 1;
        if constexpr (kReciprocal) {
            if (rowCount != recipRows)
                for (int32_t c = 1; c <= maxCols; ++c)
                    recip[size_t(c)] = reciprocal_for(uint64_t(rowCount) * uint64_t(c));
            recipRows = rowCount;
        }

        Px win{};
        for (int32_t c = 0; c <= std::min(R, width - 1); ++c)
            for (int k = 0; k < 4; ++k) win[size_t(k)] += col[c][size_t(k)];

        uint32_t* row = row_at(rows, y);
        for (int32_t x = 0; x < width; ++x) {
            const int32_t cols = colCount[size_t(x)];
            uint32_t fresh = 0;
            Sum q[4];
            for (int k = 0; k < 4; ++k) {
                if constexpr (kReciprocal) {
                    const Reciprocal& r = recip[size_t(cols)];
                    q[k] = Sum((uint64_t(win[size_t(k)]) * r.m) >> r.sh);
                } else {
                    q[k] = Sum(win[size_t(k)] / (uint64_t(rowCount) * uint64_t(cols)));
                }
                fresh |= uint32_t(q[k]) << (8 * k);
            }
            const uint32_t old = row[x];
            row[x] = fresh;
            for (int k = 0; k < 4; ++k) {
                const Sum change = q[k] - Sum((old >> (8 * k)) & 255);
                col[x][size_t(k)] += change;
                win[size_t(k)] += change - col[x - R][size_t(k)] + col[x + R + 1][size_t(k)];
            }
        }

        if (y + RY + 1 < height) add_row(row_at(rows, y + RY + 1));
        if (y - RY >= 0) sub_row(row_at(rows, y - RY));
    }
}

}  // namespace

void blur_rows_plain(PixelRows rows, int32_t width, int32_t height, BlurRadii radii) {
    blur_rows<true>(rows, width, height, radii);
}

void blur_running(TBitmap& bitmap, int32_t radius, BlurPath path) {
    if (!is_32bit(bitmap) || radius <= 0) return;
    const int32_t width = bitmap.Width(), height = bitmap.Height();
    if (width <= 0 || height <= 0 || (width == 1 && height == 1)) return;
    const BlurRadii radii = blur_radii(radius, width, height);
    const PixelRows rows{bitmap.ScanLine(0), ptrdiff_t(bitmap.RowStride())};
    const int64_t maxArea =
        std::min<int64_t>(2 * int64_t(radii.x) + 1, width) * std::min<int64_t>(2 * int64_t(radii.y) + 1, height);
    if (maxArea > kBlurMagicLimit) path = BlurPath::plain_wide;
    // A one-pixel-wide bitmap has no horizontal window for the vector walk to run along.
    if (path == BlurPath::automatic && width > 1)
        best_geometric_kernels().blur(rows, width, height, radii);
    else if (path == BlurPath::plain_wide)
        blur_rows<false>(rows, width, height, radii);
    else
        blur_rows<true>(rows, width, height, radii);
}

}  // namespace filters

void Blur32(TBitmap& bitmap, int32_t radius) { filters::blur_running(bitmap, radius, filters::BlurPath::automatic); }

}  // namespace lumarix
