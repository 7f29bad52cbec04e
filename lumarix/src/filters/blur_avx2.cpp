// AVX2 walk of the in-place box blur (see blur.cpp for the running sums): the four byte sums of
// a pixel sit in the four 64-bit lanes of one register, so a column sum, the window sum and the
// mean of a pixel are one vector each, and the division is one vpmuludq and one vpsrlvq.
// Called only after simd::use_avx2(), for windows of at most kBlurMagicLimit pixels.
#include "filters/geometric_kernels.h"

#include <immintrin.h>

#include <algorithm>
#include <vector>

namespace lumarix::filters {

namespace {

inline __m256i widen(uint32_t px) { return _mm256_cvtepu8_epi64(_mm_cvtsi32_si128(int32_t(px))); }

inline uint32_t narrow(__m256i q) {
    const __m256i low = _mm256_permutevar8x32_epi32(q, _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6));
    const __m128i words = _mm_packus_epi32(_mm256_castsi256_si128(low), _mm256_castsi256_si128(low));
    return uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
}

struct ReciprocalV {
    __m256i m, sh;
};

}  // namespace

// Two rows are walked at once, the lower one 2R + 2 pixels behind, so that the two quotient
// chains overlap. That is possible because each row hands its column sums on as it goes: once
// row y has passed column c by R pixels it never reads col[c] again, so col[c] moves on to row
// y + 1's rows at once (gains row y + RY + 1, still original; loses row y - RY, blurred long ago).
// Row y + 1 reads col[] up to R + 1 columns right of its pixel, which the lag keeps behind that
// hand-over, and it writes only pixels that row y's windows have already left.
void blur_rows_avx2(uint32_t* const* rows, int32_t width, int32_t height, BlurRadii radii) {
    const int32_t R = radii.x, RY = radii.y;
    std::vector<__m256i> colStore(size_t(width) + 2 * size_t(R) + 2, _mm256_setzero_si256());
    __m256i* col = colStore.data() + R + 1;

    std::vector<int32_t> colCount(static_cast<size_t>(width));
    for (int32_t x = 0; x < width; ++x) colCount[size_t(x)] = std::min(x + R, width - 1) - std::max(x - R, 0) + 1;
    const int32_t maxCols = int32_t(std::min<int64_t>(2 * int64_t(R) + 1, width));
    // Columns whose window is whole (all but R at each end) share one reciprocal.
    const int32_t innerBegin = std::min(R, width), innerEnd = std::max(innerBegin, width - R);

    for (int32_t yy = 0; yy <= std::min(RY, height - 1); ++yy)
        for (int32_t c = 0; c < width; ++c) col[c] = _mm256_add_epi64(col[c], widen(rows[yy][c]));

    struct RowWalk {
        int32_t y = 0;
        uint32_t* row = nullptr;
        const uint32_t* below = nullptr;  // row y + RY + 1, gained by col[] after this row
        const uint32_t* above = nullptr;  // row y - RY, lost by col[] after this row
        __m256i win{};
        std::vector<ReciprocalV> recip;
        int64_t recipRows = 0;  // the row count recip[] was made for
    };
    RowWalk walks[2];
    for (RowWalk& w : walks) w.recip.resize(size_t(maxCols) + 1);

    auto begin_row = [&](RowWalk& w, int32_t y) {
        w.y = y;
        w.row = rows[y];
        w.below = y + RY + 1 < height ? rows[y + RY + 1] : nullptr;
        w.above = y - RY >= 0 ? rows[y - RY] : nullptr;
        const int64_t rowCount = std::min(y + RY, height - 1) - std::max(y - RY, 0) + 1;
        if (rowCount == w.recipRows) return;  // rows away from the edges share their reciprocals
        w.recipRows = rowCount;
        for (int32_t c = 1; c <= maxCols; ++c) {
            const Reciprocal r = reciprocal_for(uint64_t(rowCount) * uint64_t(c));
            w.recip[size_t(c)] = {_mm256_set1_epi64x(int64_t(r.m)), _mm256_set1_epi64x(int64_t(r.sh))};
        }
    };
    auto start_window = [&](RowWalk& w) {
        w.win = _mm256_setzero_si256();
        for (int32_t c = 0; c <= std::min(R, width - 1); ++c) w.win = _mm256_add_epi64(w.win, col[c]);
    };
    auto hand_over = [&](const RowWalk& w, int32_t c) {
        __m256i v = col[c];
        if (w.below) v = _mm256_add_epi64(v, widen(w.below[c]));
        if (w.above) v = _mm256_sub_epi64(v, widen(w.above[c]));
        col[c] = v;
    };
    auto step = [&](RowWalk& w, int32_t x) {
        const ReciprocalV& r =
            x >= innerBegin && x < innerEnd ? w.recip[size_t(maxCols)] : w.recip[size_t(colCount[size_t(x)])];
        const __m256i q = _mm256_srlv_epi64(_mm256_mul_epu32(w.win, r.m), r.sh);
        const __m256i old = widen(w.row[x]);
        // The window's change apart from the new pixel is formed beside the division, so one
        // add of it and one of the quotient are all that wait for the window.
        const __m256i shift = _mm256_sub_epi64(_mm256_sub_epi64(col[x + R + 1], col[x - R]), old);
        col[x] = _mm256_add_epi64(col[x], _mm256_sub_epi64(q, old));
        w.win = _mm256_add_epi64(_mm256_add_epi64(w.win, shift), q);
        w.row[x] = narrow(q);
        if (x - R >= 0) hand_over(w, x - R);
        if (x == width - 1)
            for (int32_t c = std::max(width - R, 0); c < width; ++c) hand_over(w, c);
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

}  // namespace lumarix::filters
