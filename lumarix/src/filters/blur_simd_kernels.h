// The in-place box blur's vector walk (see blur.cpp for the running sums and the order of reads
// and writes), written over the Sums operations of simd/ops.h: the four byte sums of a pixel are
// one Sums value (four 64-bit lanes in one AVX2 or two SSE2 registers, four 32-bit lanes in one
// NEON register), so that a column sum, the window sum and a mean are one value each, and the
// division is one 32 x 32-bit multiply and one shift by the reciprocal of blur.cpp. The sums are
// exact modulo 2^32, and no window sum reaches 2^32. Instantiated through
// geometric_simd_kernels.h, for windows of at most kBlurMagicLimit pixels on bitmaps at
// least two pixels wide (rx >= 1).
//
// What bounds the walk is the chain from one window sum to the next: multiply, shift, add.
// kBlurRows rows therefore run at once, each `lag` pixels behind the one above, so that their
// chains overlap; each row's window sum, divisor and row pointers stay in registers for a whole
// stretch of columns. That is possible because each row hands its column sums on as it goes:
// once row y has passed column c by rx pixels it never reads col[c] again, so col[c] moves on to
// row y + 1's rows at once (gains row y + ry + 1, still original; loses row y - ry, final by then). Row y + 1
// reads col[] up to rx + 1 columns right of its pixel, which a lag of at least 2 rx + 2 keeps
// behind that hand-over (a lag of the whole width keeps it behind the end of row y), and it
// writes only pixels and column sums that row y has left.
//
// A row is cut into stretches by where its window stops reaching past an edge: the columns
// whose window is whole share one divisor, held in registers; the edge columns look theirs up
// by the window's column count. The rows' stretches start at different columns, so the walk
// runs between the union of their boundaries with each row's kind of stretch fixed.
#pragma once

#include "filters/geometric_kernels.h"
#include "simd/ops.h"

#include <cstddef>
#include <cstdint>

namespace lumarix::filters::LUMARIX_SIMD_NS {

// Nothing here instantiates a std:: template: a copy compiled with these flags could be the one
// the linker keeps for plain callers.
inline int32_t min32(int32_t a, int32_t b) { return a < b ? a : b; }
inline int32_t max32(int32_t a, int32_t b) { return a > b ? a : b; }
inline uint32_t* row_at(PixelRows rows, int32_t y) {
    return reinterpret_cast<uint32_t*>(rows.first + ptrdiff_t(y) * rows.stride);
}

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

/// A Reciprocal in the form sums_mul_srl takes.
template <class V>
struct BlurDivisor {
    typename V::SumsFactor m;
    typename V::SumsCount sh;
};

/// A column's four sums (wrapped, so that no vector type is a template argument).
template <class V>
struct BlurColumn {
    typename V::Sums v;
};

/// What the rows in flight share.
template <class V>
struct BlurShape {
    BlurColumn<V>* col;       // col[-rx - 1 .. width + rx], zero outside 0 .. width - 1
    const int32_t* colCount;  // the window's column count at each column
    int32_t width, rx;
};

/// One row's walk.
template <class V>
struct BlurRow {
    uint32_t* px;
    const uint32_t* below;   // row y + ry + 1 (or a row of zeros), gained by col[] behind this row
    const uint32_t* above;   // row y - ry (or zeros), lost by col[] behind this row
    typename V::Sums win;    // the window sum of the next pixel
    typename V::Sums near;   // with rx = 1: the change of the pixel left of the next one
    BlurDivisor<V> whole;    // the divisor of the columns whose window is whole
    BlurDivisor<V>* byCols;  // the divisors by column count
    int64_t rowCount;        // the row count the divisors were made for
};

// The least lag between two rows in flight: closer rows would read column sums that the row
// ahead has only just stored.
inline constexpr int32_t kBlurMinLag = 32;

enum class BlurStretch { none, edge, whole };

/// Rows in flight at once: with three, the chains hide each other's latency better than with two.
inline constexpr int32_t kBlurRows = 3;

/// Pixel x of row r: the mean, the window sum of pixel x + 1, and col[x] (the pixel's change)
/// and col[x - rx] (handed over) brought up to date. The edge form looks its divisor up, hands
/// over only real columns and, at the row's last pixel, the rx columns that no later pixel
/// passes by rx.
///
/// With rx = 1 (kNear) the column that leaves the window is the one changed a step before, and
/// its sum would come back from memory on the chain of window sums: the change `near` is kept
/// in a register instead, and col[x] takes it only when it is handed over.
template <class V, bool kEdge, bool kNear>
inline void blur_step(const BlurShape<V>& s, const BlurRow<V>& r, typename V::Sums& win, typename V::Sums& near,
                      int32_t x) {
    using S = typename V::Sums;
    BlurColumn<V>* const col = s.col;
    const int32_t rx = kNear ? 1 : s.rx;
    S q;
    if constexpr (kEdge) {
        const BlurDivisor<V>& d = r.byCols[s.colCount[x]];
        q = V::sums_mul_srl(win, d.m, d.sh);
    } else {
        q = V::sums_mul_srl(win, r.whole.m, r.whole.sh);
    }
    const S old = V::sums_of_px(r.px + x);
    const S leaving = kNear ? V::sums_add(col[x - 1].v, near) : col[x - rx].v;
    // The window's change apart from the new pixel is formed beside the division, so that one
    // add of it and one of the quotient are all that wait for the window.
    const S rest = V::sums_sub(V::sums_sub(col[x + rx + 1].v, leaving), old);
    r.px[x] = V::sums_to_px(q);
    const S change = V::sums_sub(q, old);
    if constexpr (kNear)
        near = change;
    else
        col[x].v = V::sums_add(col[x].v, change);
    win = V::sums_add(V::sums_add(win, rest), q);
    if (!kEdge || x >= rx) {
        const S gained = V::sums_of_px(r.below + x - rx), lost = V::sums_of_px(r.above + x - rx);
        col[x - rx].v = V::sums_sub(V::sums_add(leaving, gained), lost);
    }
    if (kEdge && x == s.width - 1) {
        if constexpr (kNear) col[x].v = V::sums_add(col[x].v, change);
        for (int32_t c = max32(s.width - rx, 0); c < s.width; ++c)
            col[c].v = V::sums_sub(V::sums_add(col[c].v, V::sums_of_px(r.below + c)), V::sums_of_px(r.above + c));
    }
}

/// Steps t0 .. t1 - 1 of a group: row k at column t - k lag, each in one kind of stretch
/// throughout. The rows are copied in and their running sums in and out, so that the sums live
/// in registers.
template <class V, bool kNear, BlurStretch kA, BlurStretch kB, BlurStretch kC>
void blur_run(const BlurShape<V>& shape, BlurRow<V>* w, int32_t t0, int32_t t1, int32_t lag) {
    static_assert(kBlurRows == 3, "blur_run walks three rows");
    const BlurShape<V> s = shape;
    const BlurRow<V> ra = w[0], rb = w[1], rc = w[2];
    typename V::Sums winA = ra.win, winB = rb.win, winC = rc.win;
    typename V::Sums nearA = ra.near, nearB = rb.near, nearC = rc.near;
    for (int32_t t = t0; t < t1; ++t) {
        if constexpr (kA != BlurStretch::none)
            blur_step<V, kA == BlurStretch::edge, kNear>(s, ra, winA, nearA, t);
        if constexpr (kB != BlurStretch::none)
            blur_step<V, kB == BlurStretch::edge, kNear>(s, rb, winB, nearB, t - lag);
        if constexpr (kC != BlurStretch::none)
            blur_step<V, kC == BlurStretch::edge, kNear>(s, rc, winC, nearC, t - 2 * lag);
    }
    w[0].win = winA;
    w[1].win = winB;
    w[2].win = winC;
    w[0].near = nearA;
    w[1].near = nearB;
    w[2].near = nearC;
}

/// blur_run for the rows' stretches given at run time, which become template arguments one row
/// at a time.
template <class V, bool kNear, BlurStretch... kS>
void blur_run_at(const BlurStretch* kinds, const BlurShape<V>& s, BlurRow<V>* w, int32_t t0, int32_t t1,
                 int32_t lag) {
    using K = BlurStretch;
    if constexpr (sizeof...(kS) == kBlurRows) {
        blur_run<V, kNear, kS...>(s, w, t0, t1, lag);
    } else {
        switch (kinds[sizeof...(kS)]) {
            case K::none: blur_run_at<V, kNear, kS..., K::none>(kinds, s, w, t0, t1, lag); break;
            case K::edge: blur_run_at<V, kNear, kS..., K::edge>(kinds, s, w, t0, t1, lag); break;
            case K::whole: blur_run_at<V, kNear, kS..., K::whole>(kinds, s, w, t0, t1, lag); break;
        }
    }
}

template <class V>
void blur_rows(PixelRows rows, int32_t width, int32_t height, BlurRadii radii) {
    const int32_t R = radii.x, RY = radii.y;
    Array<BlurColumn<V>> colStore(size_t(width) + 2 * size_t(R) + 2, BlurColumn<V>{V::sums_zero()});
    BlurColumn<V>* const col = colStore.data() + R + 1;
    Array<uint32_t> zeros(size_t(width), 0);

    Array<int32_t> colCount(size_t(width), 0);
    for (int32_t x = 0; x < width; ++x) colCount[size_t(x)] = min32(x + R, width - 1) - max32(x - R, 0) + 1;
    const int32_t maxCols = 2 * int64_t(R) + 1 < width ? 2 * R + 1 : width;
    // Columns innerBegin .. innerEnd - 1 have whole windows (all but rx at each end).
    const int32_t innerBegin = min32(R, width), innerEnd = max32(innerBegin, width - R);
    const BlurShape<V> shape{col, colCount.data(), width, R};

    for (int32_t yy = 0; yy <= min32(RY, height - 1); ++yy)
        for (int32_t c = 0; c < width; ++c) col[c].v = V::sums_add(col[c].v, V::sums_of_px(row_at(rows, yy) + c));

    const size_t divCount = size_t(maxCols) + 1;
    const BlurDivisor<V> unset{V::sums_factor(1), V::sums_count(0)};
    Array<BlurDivisor<V>> divStore(kBlurRows * divCount, unset);
    BlurRow<V> walks[kBlurRows];
    for (int k = 0; k < kBlurRows; ++k)
        walks[k] = {nullptr, nullptr, nullptr, V::sums_zero(), V::sums_zero(), unset, divStore.data() + k * divCount,
                    0};

    auto begin_row = [&](BlurRow<V>& w, int32_t y) {
        w.px = row_at(rows, y);
        w.below = y + RY + 1 < height ? row_at(rows, y + RY + 1) : zeros.data();
        w.above = y - RY >= 0 ? row_at(rows, y - RY) : zeros.data();
        const int64_t rowCount = min32(y + RY, height - 1) - max32(y - RY, 0) + 1;
        if (rowCount == w.rowCount) return;  // rows away from the edges share their divisors
        w.rowCount = rowCount;
        BlurDivisor<V>* const d = w.byCols;
        for (int32_t c = 1; c <= maxCols; ++c) {
            const Reciprocal r = reciprocal_for(uint64_t(rowCount) * uint64_t(c));
            d[c] = {V::sums_factor(uint32_t(r.m)), V::sums_count(r.sh)};
        }
        w.whole = d[maxCols];
    };
    auto start_window = [&](BlurRow<V>& w) {
        w.near = V::sums_zero();
        w.win = V::sums_zero();
        for (int32_t c = 0; c <= R; ++c) w.win = V::sums_add(w.win, col[c].v);
    };
    auto stretch = [&](int32_t x) {
        if (x < 0 || x >= width) return BlurStretch::none;
        return x >= innerBegin && x < innerEnd ? BlurStretch::whole : BlurStretch::edge;
    };

    // A bitmap too narrow for two rows to overlap runs its rows one after the other.
    if (width <= 2 * R + 2) {
        for (int32_t y = 0; y < height; ++y) {
            BlurRow<V>& a = walks[0];
            begin_row(a, y);
            start_window(a);
            typename V::Sums win = a.win, near = a.near;
            for (int32_t x = 0; x < width; ++x) blur_step<V, true, false>(shape, a, win, near, x);
        }
        return;
    }
    const int32_t lag = min32(max32(2 * R + 2, kBlurMinLag), width);
    for (int32_t y = 0; y < height; y += kBlurRows) {
        const int32_t n = min32(kBlurRows, height - y);
        for (int32_t k = 0; k < n; ++k) begin_row(walks[k], y + k);
        const int32_t end = width + (n - 1) * lag;
        int32_t bounds[4 * kBlurRows];
        for (int32_t k = 0; k < kBlurRows; ++k) {
            bounds[4 * k] = k * lag;
            bounds[4 * k + 1] = k * lag + innerBegin;
            bounds[4 * k + 2] = k * lag + innerEnd;
            bounds[4 * k + 3] = k * lag + width;
        }
        for (int32_t t = 0; t < end;) {
            BlurStretch kinds[kBlurRows];
            for (int32_t k = 0; k < kBlurRows; ++k) {
                if (k < n && t == k * lag) start_window(walks[k]);
                kinds[k] = k < n ? stretch(t - k * lag) : BlurStretch::none;
            }
            int32_t next = end;
            for (int32_t v : bounds)
                if (v > t && v < next) next = v;
            if (R == 1)
                blur_run_at<V, true>(kinds, shape, walks, t, next, lag);
            else
                blur_run_at<V, false>(kinds, shape, walks, t, next, lag);
            t = next;
        }
    }
}

}  // namespace lumarix::filters::LUMARIX_SIMD_NS
