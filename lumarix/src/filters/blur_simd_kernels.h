// The in-place box blur's vector row walk (see blur.cpp for the running sums), written over the
// wrappers of simd/ops.h: the four byte sums of a pixel sit in the four 64-bit lanes of one
// register, so a column sum, the window sum and the mean of a pixel are one vector each, and the
// division is one 32 x 32-bit multiply and one shift. Instantiated by blur_avx2.cpp, for windows
// of at most kBlurMagicLimit pixels.
#pragma once

#include "filters/geometric_kernels.h"
#include "simd/ops.h"

#include <cstddef>
#include <cstdint>

namespace lumarix::filters::LUMARIX_SIMD_NS {

/// One column's (or the window's) four byte sums.
template <class V>
struct PixelSums {
    typename V::R v;
};

template <class V>
struct ReciprocalV {
    typename V::R m, sh;
};

// Nothing here instantiates a std:: template: a copy compiled with these flags could be the one
// the linker keeps for plain callers.
inline int32_t min32(int32_t a, int32_t b) { return a < b ? a : b; }
inline int32_t max32(int32_t a, int32_t b) { return a > b ? a : b; }

/// An owned array of n elements, each set to `fill`.
template <class T>
class Array {
public:
    Array(size_t n, T fill) : p_(new T[n]) {
        for (size_t i = 0; i < n; ++i) p_[i] = fill;
    }
    ~Array() { delete[] p_; }
    Array(const Array&) = delete;
    Array& operator=(const Array&) = delete;
    T* data() { return p_; }
    T& operator[](size_t i) { return p_[i]; }

private:
    T* p_;
};

// Two rows are walked at once, the lower one 2R + 2 pixels behind, so that the two quotient
// chains overlap. That is possible because each row hands its column sums on as it goes: once
// row y has passed column c by R pixels it never reads col[c] again, so col[c] moves on to row
// y + 1's rows at once (gains row y + RY + 1, still original; loses row y - RY, blurred long ago).
// Row y + 1 reads col[] up to R + 1 columns right of its pixel, which the lag keeps behind that
// hand-over, and it writes only pixels that row y's windows have already left.
template <class V>
void blur_rows(uint32_t* const* rows, int32_t width, int32_t height, BlurRadii radii) {
    using Reg = typename V::R;
    const int32_t R = radii.x, RY = radii.y;
    Array<PixelSums<V>> colStore(size_t(width) + 2 * size_t(R) + 2, PixelSums<V>{V::zero()});
    PixelSums<V>* col = colStore.data() + R + 1;

    Array<int32_t> colCount(size_t(width), 0);
    for (int32_t x = 0; x < width; ++x) colCount[size_t(x)] = min32(x + R, width - 1) - max32(x - R, 0) + 1;
    const int32_t maxCols = 2 * int64_t(R) + 1 < width ? 2 * R + 1 : width;
    // Columns whose window is whole (all but R at each end) share one reciprocal.
    const int32_t innerBegin = min32(R, width), innerEnd = max32(innerBegin, width - R);

    for (int32_t yy = 0; yy <= min32(RY, height - 1); ++yy)
        for (int32_t c = 0; c < width; ++c) col[c].v = V::add64(col[c].v, V::widen_px64(rows[yy][c]));

    struct RowWalk {
        int32_t y = 0;
        uint32_t* row = nullptr;
        const uint32_t* below = nullptr;  // row y + RY + 1, gained by col[] after this row
        const uint32_t* above = nullptr;  // row y - RY, lost by col[] after this row
        Reg win = V::zero();
        ReciprocalV<V>* recip = nullptr;  // maxCols + 1 entries of recipStore
        int64_t recipRows = 0;  // the row count recip[] was made for
    };
    const size_t recipCount = size_t(maxCols) + 1;
    Array<ReciprocalV<V>> recipStore(2 * recipCount, ReciprocalV<V>{V::zero(), V::zero()});
    RowWalk walks[2];
    walks[0].recip = recipStore.data();
    walks[1].recip = recipStore.data() + recipCount;

    auto begin_row = [&](RowWalk& w, int32_t y) {
        w.y = y;
        w.row = rows[y];
        w.below = y + RY + 1 < height ? rows[y + RY + 1] : nullptr;
        w.above = y - RY >= 0 ? rows[y - RY] : nullptr;
        const int64_t rowCount = min32(y + RY, height - 1) - max32(y - RY, 0) + 1;
        if (rowCount == w.recipRows) return;  // rows away from the edges share their reciprocals
        w.recipRows = rowCount;
        for (int32_t c = 1; c <= maxCols; ++c) {
            const Reciprocal r = reciprocal_for(uint64_t(rowCount) * uint64_t(c));
            w.recip[size_t(c)] = {V::set64(r.m), V::set64(r.sh)};
        }
    };
    auto start_window = [&](RowWalk& w) {
        w.win = V::zero();
        for (int32_t c = 0; c <= min32(R, width - 1); ++c) w.win = V::add64(w.win, col[c].v);
    };
    auto hand_over = [&](const RowWalk& w, int32_t c) {
        Reg v = col[c].v;
        if (w.below) v = V::add64(v, V::widen_px64(w.below[c]));
        if (w.above) v = V::sub64(v, V::widen_px64(w.above[c]));
        col[c].v = v;
    };
    auto step = [&](RowWalk& w, int32_t x) {
        const ReciprocalV<V>& r =
            x >= innerBegin && x < innerEnd ? w.recip[size_t(maxCols)] : w.recip[size_t(colCount[size_t(x)])];
        const Reg q = V::mul32_srl64(w.win, r.m, r.sh);
        const Reg old = V::widen_px64(w.row[x]);
        // The window's change apart from the new pixel is formed beside the division, so one
        // add of it and one of the quotient are all that wait for the window.
        const Reg shift = V::sub64(V::sub64(col[x + R + 1].v, col[x - R].v), old);
        col[x].v = V::add64(col[x].v, V::sub64(q, old));
        w.win = V::add64(V::add64(w.win, shift), q);
        w.row[x] = V::narrow_px64(q);
        if (x - R >= 0) hand_over(w, x - R);
        if (x == width - 1)
            for (int32_t c = max32(width - R, 0); c < width; ++c) hand_over(w, c);
    };

    const int32_t lag = 2 * R + 2;
    int32_t y = 0;
    for (; y + 1 < height; y += 2) {
        RowWalk& a = walks[0];
        RowWalk& b = walks[1];
        begin_row(a, y);
        begin_row(b, y + 1);
        start_window(a);
        for (int32_t t = 0; t < width + lag; ++t) {
            if (t < width) step(a, t);
            const int32_t xb = t - lag;
            if (xb == 0) start_window(b);
            if (xb >= 0 && xb < width) step(b, xb);
        }
    }
    if (y < height) {
        begin_row(walks[0], y);
        start_window(walks[0]);
        for (int32_t x = 0; x < width; ++x) step(walks[0], x);
    }
}

}  // namespace lumarix::filters::LUMARIX_SIMD_NS
