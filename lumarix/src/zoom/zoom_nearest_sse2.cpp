// Nearest-neighbour zooms with SSE2: the same bytes as saikin_model (zoom_nearest.cpp).
//
// Four sampled pixels are gathered with scalar loads (the positions are arbitrary) and stored or
// blended as one 16-byte vector; the blends run in 16-bit lanes, where the weights of every rule
// sum to 256 and no lane exceeds 255 * 256. Every rule keeps the source's fourth byte (the masked
// rules store m, which is that byte), so it is put back after packing. The copy rule writes a
// destination row that samples the same source row as the row above it by copying that row.
#include "zoom/zoom_p.h"

#include <emmintrin.h>

#include <cstring>

namespace lumarix::zoom {

namespace {

template <SaikinRule R>
constexpr unsigned kShift = R == SaikinRule::masked ? 8 : 16;

// Source weight and destination weight per 16-bit lane, from the source pixels' lanes.
template <SaikinRule R, bool FullAlpha>
inline void weights(__m128i s16, __m128i alpha, __m128i& ws, __m128i& wd) {
    const __m128i k256 = _mm_set1_epi16(256);
    if constexpr (R == SaikinRule::alpha) {
        ws = alpha;
        wd = _mm_sub_epi16(k256, alpha);
    } else {
        const __m128i m = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s16, 0xFF), 0xFF);
        if constexpr (R == SaikinRule::masked) {
            ws = _mm_sub_epi16(_mm_set1_epi16(255), m);
            wd = _mm_add_epi16(m, _mm_set1_epi16(1));
        } else {
            // (256 - m) * alpha overflows 16 bits only for alpha = 256, where it is (256 - m) << 8.
            const __m128i inv = _mm_sub_epi16(k256, m);
            ws = FullAlpha ? inv : _mm_srli_epi16(_mm_mullo_epi16(inv, alpha), 8);
            wd = _mm_sub_epi16(k256, ws);
        }
    }
}

template <SaikinRule R, bool FullAlpha>
void saikin_row_sse2(uint32_t* d, const uint32_t* s, uint32_t acc, uint32_t step, int32_t n, uint32_t alpha) {
    constexpr unsigned F = kShift<R>;
    const __m128i zero = _mm_setzero_si128();
    const __m128i a16 = _mm_set1_epi16(int16_t(alpha));
    const __m128i fourth = _mm_set1_epi32(int32_t(0xFF000000u));
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const uint32_t p0 = s[acc >> F];
        acc += step;
        const uint32_t p1 = s[acc >> F];
        acc += step;
        const uint32_t p2 = s[acc >> F];
        acc += step;
        const uint32_t p3 = s[acc >> F];
        acc += step;
        const __m128i sv = _mm_setr_epi32(int32_t(p0), int32_t(p1), int32_t(p2), int32_t(p3));
        auto* out = reinterpret_cast<__m128i*>(d + i);
        if constexpr (R == SaikinRule::copy) {
            _mm_storeu_si128(out, sv);
        } else {
            const __m128i dv = _mm_loadu_si128(out);
            const __m128i slo = _mm_unpacklo_epi8(sv, zero), shi = _mm_unpackhi_epi8(sv, zero);
            const __m128i dlo = _mm_unpacklo_epi8(dv, zero), dhi = _mm_unpackhi_epi8(dv, zero);
            __m128i wsl, wdl, wsh, wdh;
            weights<R, FullAlpha>(slo, a16, wsl, wdl);
            weights<R, FullAlpha>(shi, a16, wsh, wdh);
            const __m128i rlo = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(dlo, wdl), _mm_mullo_epi16(slo, wsl)), 8);
            const __m128i rhi = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(dhi, wdh), _mm_mullo_epi16(shi, wsh)), 8);
            const __m128i colour = _mm_andnot_si128(fourth, _mm_packus_epi16(rlo, rhi));
            _mm_storeu_si128(out, _mm_or_si128(colour, _mm_and_si128(sv, fourth)));
        }
    }
    for (; i < n; ++i, acc += step) d[i] = saikin_px(R, s[acc >> F], d[i], alpha);
}

using RowFn = void (*)(uint32_t*, const uint32_t*, uint32_t, uint32_t, int32_t, uint32_t);

RowFn pick_row(SaikinRule rule, uint32_t alpha) {
    switch (rule) {
        case SaikinRule::copy: return saikin_row_sse2<SaikinRule::copy, false>;
        case SaikinRule::masked: return saikin_row_sse2<SaikinRule::masked, false>;
        case SaikinRule::masked_alpha:
            return alpha == 256 ? saikin_row_sse2<SaikinRule::masked_alpha, true>
                                : saikin_row_sse2<SaikinRule::masked_alpha, false>;
        default: return saikin_row_sse2<SaikinRule::alpha, false>;
    }
}

}  // namespace

void saikin_sse2(const SaikinSetup& s, TBitmap& src, TBitmap& dst) {
    const RowFn row = pick_row(s.rule, s.alpha);
    const bool repeatRows = s.rule == SaikinRule::copy && &src != &dst;
    const int32_t width = s.f.width;
    int32_t prevSource = -1;
    const uint32_t* prevRow = nullptr;
    for (int32_t j = 0; j < s.f.height; ++j) {
        const int32_t r = saikin_row(s, j);
        auto* drow = reinterpret_cast<uint32_t*>(dst.ScanLine(s.f.dstTop + j)) + s.f.dstLeft;
        if (repeatRows && r == prevSource) {
            std::memcpy(drow, prevRow, size_t(width) * 4);
            continue;
        }
        const auto* srow = reinterpret_cast<const uint32_t*>(src.ScanLine(r));
        row(drow, srow, s.startX, s.stepX, s.inside, s.alpha);
        // Past the source's right edge every sample is its last column.
        if (s.inside < width) row(drow + s.inside, srow + (s.f.srcWidth - 1), 0, 0, width - s.inside, s.alpha);
        prevSource = r;
        prevRow = drow;
    }
}

}  // namespace lumarix::zoom
