// AVX2 versions of the zooms' streaming halves: the nearest-neighbour blends of a gathered line
// and the bilinear vertical half with its blends. Eight pixels per step, the same 16-bit lane
// arithmetic as the SSE2 code (zoom_nearest_sse2.cpp, zoom_bilinear_sse2.cpp), so the same
// bytes. The unpacks and packs work within 128-bit halves, which keeps pixels in order except
// for the plain bilinear zoom's 16-bit rows, whose packed result is put back in order by a
// permute. Called only when zoom_use_avx2() is true; each returns how many pixels it wrote.
#include "zoom/zoom_p.h"

#if LUMARIX_ZOOM_SSE2

#include <immintrin.h>

namespace lumarix::zoom {

namespace {

inline __m256i fourth_lane16(__m256i v) { return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(v, 0xFF), 0xFF); }

template <SaikinRule R, bool FullAlpha>
inline void saikin_weights(__m256i s16, __m256i alpha, __m256i& ws, __m256i& wd) {
    const __m256i k256 = _mm256_set1_epi16(256);
    if constexpr (R == SaikinRule::alpha) {
        ws = alpha;
        wd = _mm256_sub_epi16(k256, alpha);
    } else {
        const __m256i m = fourth_lane16(s16);
        if constexpr (R == SaikinRule::masked) {
            ws = _mm256_sub_epi16(_mm256_set1_epi16(255), m);
            wd = _mm256_add_epi16(m, _mm256_set1_epi16(1));
        } else {
            const __m256i inv = _mm256_sub_epi16(k256, m);
            ws = FullAlpha ? inv : _mm256_srli_epi16(_mm256_mullo_epi16(inv, alpha), 8);
            wd = _mm256_sub_epi16(k256, ws);
        }
    }
}

template <SaikinRule R, bool FullAlpha>
int32_t saikin_blend(uint32_t* d, const uint32_t* line, int32_t n, uint32_t alpha) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i fourth = _mm256_set1_epi32(int32_t(0xFF000000u));
    const __m256i a16 = _mm256_set1_epi16(int16_t(alpha));
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        auto* out = reinterpret_cast<__m256i*>(d + i);
        const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(line + i));
        const __m256i dv = _mm256_loadu_si256(out);
        const __m256i slo = _mm256_unpacklo_epi8(sv, zero), shi = _mm256_unpackhi_epi8(sv, zero);
        const __m256i dlo = _mm256_unpacklo_epi8(dv, zero), dhi = _mm256_unpackhi_epi8(dv, zero);
        __m256i wsl, wdl, wsh, wdh;
        saikin_weights<R, FullAlpha>(slo, a16, wsl, wdl);
        saikin_weights<R, FullAlpha>(shi, a16, wsh, wdh);
        const __m256i rlo =
            _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(dlo, wdl), _mm256_mullo_epi16(slo, wsl)), 8);
        const __m256i rhi =
            _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(dhi, wdh), _mm256_mullo_epi16(shi, wsh)), 8);
        const __m256i colour = _mm256_andnot_si256(fourth, _mm256_packus_epi16(rlo, rhi));
        _mm256_storeu_si256(out, _mm256_or_si256(colour, _mm256_and_si256(sv, fourth)));
    }
    return i;
}

template <BilinearKind K>
inline __m256i blend16(__m256i v, __m256i d, __m256i a) {
    if constexpr (K == BilinearKind::mmx_masked) {
        const __m256i k = _mm256_add_epi16(_mm256_srli_epi16(fourth_lane16(v), 1), _mm256_set1_epi16(1));
        return _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(v, _mm256_sub_epi16(_mm256_set1_epi16(128), k)),
                                                  _mm256_mullo_epi16(d, k)),
                                 7);
    } else if constexpr (K == BilinearKind::mmx_masked_alpha) {
        const __m256i o = _mm256_add_epi16(
            _mm256_srli_epi16(_mm256_sub_epi16(_mm256_set1_epi16(255), fourth_lane16(v)), 1), _mm256_set1_epi16(1));
        const __m256i w = _mm256_srli_epi16(_mm256_mullo_epi16(o, a), 8);
        return _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(v, w),
                                                  _mm256_mullo_epi16(d, _mm256_sub_epi16(_mm256_set1_epi16(128), w))),
                                 7);
    } else if constexpr (K == BilinearKind::mmx_alpha) {
        return _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(v, a),
                                                  _mm256_mullo_epi16(d, _mm256_sub_epi16(_mm256_set1_epi16(255), a))),
                                 8);
    } else {
        return v;
    }
}

template <BilinearKind K>
int32_t vertical(const BilinearSetup& b, const void* hu, const void* hl, uint32_t fy, uint32_t* d, int32_t n) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i wu = _mm256_set1_epi16(int16_t(b.full - fy)), wl = _mm256_set1_epi16(int16_t(fy));
    int32_t i = 0;
    if constexpr (K == BilinearKind::plain) {
        const auto* u = static_cast<const __m256i*>(hu);  // four pixels of 16-bit lanes each
        const auto* l = static_cast<const __m256i*>(hl);
        const __m256i low = _mm256_set1_epi16(0xFF);
        auto quad = [&](int32_t k) {
            const __m256i uu = _mm256_load_si256(u + k), ll = _mm256_load_si256(l + k);
            const __m256i s1 = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_srli_epi16(uu, 8), wu),
                                                _mm256_mullo_epi16(_mm256_srli_epi16(ll, 8), wl));
            const __m256i s0 = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_and_si256(uu, low), wu),
                                                _mm256_mullo_epi16(_mm256_and_si256(ll, low), wl));
            return _mm256_srli_epi16(_mm256_add_epi16(s1, _mm256_srli_epi16(s0, 8)), 8);
        };
        for (; i + 8 <= n; i += 8) {
            const __m256i packed = _mm256_packus_epi16(quad(i / 4), quad(i / 4 + 1));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), _mm256_permute4x64_epi64(packed, 0xD8));
        }
    } else {
        const auto* u = static_cast<const __m256i*>(hu);  // eight pixels of bytes each
        const auto* l = static_cast<const __m256i*>(hl);
        const __m128i s = _mm_cvtsi32_si128(int(b.stageShift));
        const __m256i a = _mm256_set1_epi16(int16_t(b.alpha));
        for (; i + 8 <= n; i += 8) {
            const __m256i uu = _mm256_load_si256(u + i / 8), ll = _mm256_load_si256(l + i / 8);
            __m256i vlo = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(uu, zero), wu),
                                           _mm256_mullo_epi16(_mm256_unpacklo_epi8(ll, zero), wl));
            __m256i vhi = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(uu, zero), wu),
                                           _mm256_mullo_epi16(_mm256_unpackhi_epi8(ll, zero), wl));
            vlo = _mm256_srl_epi16(vlo, s);
            vhi = _mm256_srl_epi16(vhi, s);
            auto* out = reinterpret_cast<__m256i*>(d + i);
            if constexpr (K != BilinearKind::mmx) {
                const __m256i dv = _mm256_loadu_si256(out);
                vlo = blend16<K>(vlo, _mm256_unpacklo_epi8(dv, zero), a);
                vhi = blend16<K>(vhi, _mm256_unpackhi_epi8(dv, zero), a);
            }
            _mm256_storeu_si256(out, _mm256_packus_epi16(vlo, vhi));
        }
    }
    return i;
}

}  // namespace

int32_t saikin_blend_avx2(SaikinRule rule, uint32_t* d, const uint32_t* line, int32_t n, uint32_t alpha) {
    switch (rule) {
        case SaikinRule::masked: return saikin_blend<SaikinRule::masked, false>(d, line, n, alpha);
        case SaikinRule::masked_alpha:
            return alpha == 256 ? saikin_blend<SaikinRule::masked_alpha, true>(d, line, n, alpha)
                                : saikin_blend<SaikinRule::masked_alpha, false>(d, line, n, alpha);
        case SaikinRule::alpha: return saikin_blend<SaikinRule::alpha, false>(d, line, n, alpha);
        default: return 0;
    }
}

int32_t saikin_gather_avx2(uint32_t* out, const uint32_t* srow, int32_t width, uint32_t acc, uint32_t step,
                           unsigned shift, int32_t inside) {
    // With a step below one pixel, eight consecutive samples lie within eight consecutive source
    // pixels: one load from the first sample's column and a permute give all eight.
    if (step >= (1u << shift)) return 0;
    const __m128i count = _mm_cvtsi32_si128(int(shift));
    __m256i pos = _mm256_add_epi32(_mm256_set1_epi32(int32_t(acc)),
                                   _mm256_mullo_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7),
                                                      _mm256_set1_epi32(int32_t(step))));
    const __m256i step8 = _mm256_set1_epi32(int32_t(step * 8));
    int32_t i = 0;
    for (; i + 8 <= inside; i += 8) {
        const uint32_t first = (acc + uint32_t(i) * step) >> shift;
        if (int64_t(first) + 8 > width) break;
        const __m256i rel = _mm256_sub_epi32(_mm256_srl_epi32(pos, count), _mm256_set1_epi32(int32_t(first)));
        const __m256i px = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(srow + first));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_permutevar8x32_epi32(px, rel));
        pos = _mm256_add_epi32(pos, step8);
    }
    return i;
}

void bilinear_horizontal_avx2(const BilinearSetup& b, const uint32_t* row, const BilinearWideColumns& t,
                              int32_t groups, void* out) {
    const __m256i zero = _mm256_setzero_si256();
    const __m128i s = _mm_cvtsi32_si128(int(b.stageShift));
    auto* o = static_cast<__m256i*>(out);
    for (int32_t g = 0; g < groups; ++g) {
        if (!t.fast[g]) continue;
        const __m256i rel = _mm256_load_si256(reinterpret_cast<const __m256i*>(t.rel[g]));
        const uint32_t* p = row + t.first[g];
        const __m256i l = _mm256_permutevar8x32_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)), rel);
        const __m256i r =
            _mm256_permutevar8x32_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 1)), rel);
        auto w = [](const uint16_t* v) { return _mm256_load_si256(reinterpret_cast<const __m256i*>(v)); };
        const __m256i lo = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(l, zero), w(t.wlLo[g])),
                                            _mm256_mullo_epi16(_mm256_unpacklo_epi8(r, zero), w(t.wrLo[g])));
        const __m256i hi = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(l, zero), w(t.wlHi[g])),
                                            _mm256_mullo_epi16(_mm256_unpackhi_epi8(r, zero), w(t.wrHi[g])));
        if (b.kind == BilinearKind::plain) {
            // Sixteen-bit lanes in pixel order: lo holds pixels 0, 1 | 4, 5 and hi 2, 3 | 6, 7.
            _mm256_store_si256(o + 2 * g, _mm256_permute2x128_si256(lo, hi, 0x20));
            _mm256_store_si256(o + 2 * g + 1, _mm256_permute2x128_si256(lo, hi, 0x31));
        } else {
            _mm256_store_si256(o + g, _mm256_packus_epi16(_mm256_srl_epi16(lo, s), _mm256_srl_epi16(hi, s)));
        }
    }
}

int32_t bilinear_vertical_avx2(const BilinearSetup& b, const void* hu, const void* hl, uint32_t fy, uint32_t* d,
                               int32_t n) {
    switch (b.kind) {
        case BilinearKind::plain: return vertical<BilinearKind::plain>(b, hu, hl, fy, d, n);
        case BilinearKind::mmx: return vertical<BilinearKind::mmx>(b, hu, hl, fy, d, n);
        case BilinearKind::mmx_masked: return vertical<BilinearKind::mmx_masked>(b, hu, hl, fy, d, n);
        case BilinearKind::mmx_masked_alpha: return vertical<BilinearKind::mmx_masked_alpha>(b, hu, hl, fy, d, n);
        default: return vertical<BilinearKind::mmx_alpha>(b, hu, hl, fy, d, n);
    }
}

}  // namespace lumarix::zoom

#endif
