// The zooms' kernels written once over the wrappers of simd/ops.h and instantiated by
// zoom_kernels_sse2.cpp, zoom_kernels_neon.cpp (four pixels per step) and zoom_kernels_avx2.cpp
// (eight). The drivers
// and scalar models are in zoom_nearest.cpp and zoom_bilinear.cpp.
//
// Nearest-neighbour blends run in 16-bit lanes as d + floor((s - d) * ws / 256) through the
// signed high-half multiply (see SaikinSource). Every rule keeps the source's fourth byte (the
// masked rules store m, which is that byte): its lane blends with the weight 256.
//
// Bilinear horizontal half, per byte, in 16-bit lanes:
//   MMX family  h = (l * (T - fx) + r * fx) >> s, at most 254 (T = 255) or 255 (T = 128): a byte
//   plain       U = l * (256 - fx) + r * fx, exact, at most 65280: kept as 16 bits
// Vertical half:
//   MMX family  v = (hu * (T - fy) + hl * fy) >> s, then the variant's blend
//   plain       floor(((256 - fy) * U + fy * L) / 65536), exact in 16-bit lanes by splitting
//               U and L into high and low bytes: S1 = Uh * (256 - fy) + Lh * fy,
//               S0 = Ul * (256 - fy) + Ll * fy, result = (S1 + (S0 >> 8)) >> 8.
// With eight pixels per register, groups whose samples lie close together (enlargements) take
// the horizontal half from two loads and two pixel permutes instead (BilinearWideColumns).
// Reductions by two rows or more skip the cached rows: fused() does both halves and the blend
// per group, with the same arithmetic.
#pragma once

#include "simd/ops.h"
#include "zoom/zoom_kernels.h"

#include <cstdint>

namespace lumarix::zoom::LUMARIX_SIMD_NS {

inline const uint8_t* bytes(const void* p) { return static_cast<const uint8_t*>(p); }

// ==== Nearest neighbour ===========================================================================

// With a step below one pixel, eight consecutive samples lie within eight consecutive source
// pixels: one load from the first sample's column and a permute give all eight. Writes out[i]
// for the leading i < inside whose group lies inside the row's width; 0 for larger steps.
template <class V>
int32_t saikin_gather(uint32_t* out, const uint32_t* srow, int32_t width, uint32_t acc, uint32_t step, unsigned shift,
                      int32_t inside) {
    constexpr int P = V::kPixels;
    if (step >= (1u << shift)) return 0;
    const auto count = V::count(shift);
    auto pos = V::add32(V::set32(acc), V::mullo32(V::lane_index(), V::set32(step)));
    const auto stepP = V::set32(step * P);
    int32_t i = 0;
    for (; i + P <= inside; i += P) {
        const uint32_t first = (acc + uint32_t(i) * step) >> shift;
        if (int64_t(first) + P > width) break;
        const auto rel = V::sub32(V::srl32(pos, count), V::set32(first));
        const auto px = V::load(reinterpret_cast<const uint8_t*>(srow + first));
        V::store(reinterpret_cast<uint8_t*>(out + i), V::permute_px(px, rel));
        pos = V::add32(pos, stepP);
    }
    return i;
}

// A pixel rule over P source pixels, made ready for any number of destinations. With ws the
// source weight (0..256), every rule is c = d + floor((s - d) * ws / 256), which is the model's
// (d * (256 - ws) + s * ws) >> 8; the signed high-half multiply of (s - d) << 2 by ws << 6
// forms it exactly in 16-bit lanes. The weights are made once per pixel in its 32-bit lane:
// ws in the low half for the colours, 256 in the high half for the fourth byte, which then
// comes out as the source's, as every rule stores it.
template <class V, SaikinRule R, bool FullAlpha>
struct SaikinSource {
    typename V::R slo, shi, wlo, whi;

    SaikinSource(typename V::R sv, uint32_t alpha) : slo(V::lo8(sv)), shi(V::hi8(sv)) {
        constexpr uint32_t kFourth = 256u << 16;
        if constexpr (R == SaikinRule::alpha) {
            const uint16_t w[4] = {uint16_t(alpha << 6), uint16_t(alpha << 6), uint16_t(alpha << 6), 256 << 6};
            wlo = whi = V::set_px16(w);
        } else {
            const auto m = V::template srli32<24>(sv);
            typename V::R ws;
            if constexpr (R == SaikinRule::masked || FullAlpha) {
                ws = V::sub32(V::set32(kFourth | (R == SaikinRule::masked ? 255 : 256)), m);
            } else {
                // ((256 - m) * alpha) >> 8 is the high half of (256 - m) * (alpha << 8) for alpha
                // below 256; in the high halves, 512 * 32768 gives the fourth byte's 256.
                ws = V::mulhi(V::sub32(V::set32((512u << 16) | 256), m), V::set32((32768u << 16) | (alpha << 8)));
            }
            ws = V::template slli32<6>(ws);
            wlo = V::spread_lo16(ws);
            whi = V::spread_hi16(ws);
        }
    }

    typename V::R over(typename V::R dv) const {
        const auto dlo = V::lo8(dv), dhi = V::hi8(dv);
        const auto rlo = V::add16(dlo, V::mulhi_s16(V::template slli16<2>(V::sub16(slo, dlo)), wlo));
        const auto rhi = V::add16(dhi, V::mulhi_s16(V::template slli16<2>(V::sub16(shi, dhi)), whi));
        return V::pack(rlo, rhi);
    }
};

template <class V, SaikinRule R, bool FullAlpha, bool kTwo>
int32_t saikin_blend_rows(uint32_t* d, uint32_t* d2, const uint32_t* line, int32_t n, uint32_t alpha) {
    constexpr int P = V::kPixels;
    int32_t i = 0;
    for (; i + P <= n; i += P) {
        const SaikinSource<V, R, FullAlpha> src(V::load(reinterpret_cast<const uint8_t*>(line + i)), alpha);
        auto* out = reinterpret_cast<uint8_t*>(d + i);
        V::store(out, src.over(V::load(out)));
        if constexpr (kTwo) {
            auto* out2 = reinterpret_cast<uint8_t*>(d2 + i);
            V::store(out2, src.over(V::load(out2)));
        }
    }
    return i;
}

template <class V, SaikinRule R, bool FullAlpha>
int32_t saikin_blend(uint32_t* d, uint32_t* d2, const uint32_t* line, int32_t n, uint32_t alpha) {
    return d2 ? saikin_blend_rows<V, R, FullAlpha, true>(d, d2, line, n, alpha)
              : saikin_blend_rows<V, R, FullAlpha, false>(d, nullptr, line, n, alpha);
}

// Sampling, rule and store in one pass. Each step also fetches the next row's source pixels at
// its own columns, two cache lines' worth, so that the next row's loads find them cached.
template <class V, SaikinRule R, bool FullAlpha>
int32_t saikin_sample(uint32_t* d, const uint32_t* s, const uint32_t* next, uint32_t acc, uint32_t step,
                      unsigned shift, int32_t n, uint32_t alpha) {
    constexpr int P = V::kPixels;
    int32_t i = 0;
    for (; i + P <= n; i += P, acc += P * step) {
        __builtin_prefetch(next + (acc >> shift));
        __builtin_prefetch(next + ((acc + (P / 2) * step) >> shift));
        uint32_t px[P];
        for (int k = 0; k < P; ++k) px[k] = s[(acc + uint32_t(k) * step) >> shift];
        auto* out = reinterpret_cast<uint8_t*>(d + i);
        if constexpr (R == SaikinRule::copy)
            V::store(out, V::from_px(px));
        else
            V::store(out, SaikinSource<V, R, FullAlpha>(V::from_px(px), alpha).over(V::load(out)));
    }
    return i;
}

// ==== Bilinear ====================================================================================

// Horizontal half of kPixels / 2 columns from k: 16-bit lanes l * wl + r * wr (not shifted).
template <class V>
typename V::R horizontal_part(const uint32_t* row, const BilinearColumns& t, int32_t k) {
    const auto x = V::load_pairs(row, t.off + k);
    return V::add16(V::mullo(V::lo8(x), V::load(bytes(t.wl[k]))), V::mullo(V::hi8(x), V::load(bytes(t.wr[k]))));
}

// A fast group of eight columns: both neighbours of all eight from two loads and two permutes.
template <class V, bool kSixteen, class Count>
void horizontal_fast(const uint32_t* row, const BilinearWideColumns& t, int32_t g, Count shift, uint8_t* o) {
    const auto rel = V::load(bytes(t.rel[g]));
    const uint32_t* p = row + t.first[g];
    const auto l = V::permute_px(V::load(bytes(p)), rel), r = V::permute_px(V::load(bytes(p + 1)), rel);
    const auto lo = V::add16(V::mullo(V::lo8(l), V::load(bytes(t.wlLo[g]))),
                             V::mullo(V::lo8(r), V::load(bytes(t.wrLo[g]))));
    const auto hi = V::add16(V::mullo(V::hi8(l), V::load(bytes(t.wlHi[g]))),
                             V::mullo(V::hi8(r), V::load(bytes(t.wrHi[g]))));
    if constexpr (kSixteen) {
        // Sixteen-bit lanes in pixel order: lo holds pixels 0, 1 | 4, 5 and hi 2, 3 | 6, 7.
        V::store(o + 64 * g, V::lo_halves(lo, hi));
        V::store(o + 64 * g + 32, V::hi_halves(lo, hi));
    } else {
        V::store(o + 32 * g, V::pack(V::srl16(lo, shift), V::srl16(hi, shift)));
    }
}

template <class V, bool kSixteen>
void horizontal(const uint32_t* row, const BilinearColumns& t, int32_t padded, unsigned stageShift,
                [[maybe_unused]] const BilinearWideColumns* wide, [[maybe_unused]] int32_t wideGroups, void* out) {
    constexpr int P = V::kPixels, H = P / 2;
    auto* o = static_cast<uint8_t*>(out);
    const auto s = V::count(stageShift);
    auto group = [&](int32_t k) {
        if constexpr (kSixteen) {
            V::store(o + 8 * k, horizontal_part<V>(row, t, k));
            V::store(o + 8 * (k + H), horizontal_part<V>(row, t, k + H));
        } else {
            V::store(o + 4 * k, V::pack_in_order(V::srl16(horizontal_part<V>(row, t, k), s),
                                                 V::srl16(horizontal_part<V>(row, t, k + H), s)));
        }
    };
    int32_t k = 0;
    if constexpr (P == 8) {
        if (wide) {
            for (int32_t g = 0; g < wideGroups; ++g) {
                if (wide->fast[g])
                    horizontal_fast<V, kSixteen>(row, *wide, g, s, o);
                else
                    group(8 * g);
            }
            k = 8 * wideGroups;
        }
    }
    for (; k < padded; k += P) group(k);
}

template <class V, BilinearKind K>
typename V::R bilinear_blend16(typename V::R v, typename V::R d, typename V::R a) {
    if constexpr (K == BilinearKind::mmx_masked) {
        const auto k = V::add16(V::template srli16<1>(V::px_fourth16(v)), V::set16(1));
        return V::template srli16<7>(V::add16(V::mullo(v, V::sub16(V::set16(128), k)), V::mullo(d, k)));
    } else if constexpr (K == BilinearKind::mmx_masked_alpha) {
        const auto o = V::add16(V::template srli16<1>(V::sub16(V::set16(255), V::px_fourth16(v))), V::set16(1));
        const auto w = V::template srli16<8>(V::mullo(o, a));
        return V::template srli16<7>(V::add16(V::mullo(v, w), V::mullo(d, V::sub16(V::set16(128), w))));
    } else if constexpr (K == BilinearKind::mmx_alpha) {
        return V::template srli16<8>(V::add16(V::mullo(v, a), V::mullo(d, V::sub16(V::set16(255), a))));
    } else {
        return v;
    }
}

// The plain zoom's vertical half of H pixels from their exact horizontal sums uu and ll.
template <class V>
typename V::R vertical_sixteen(typename V::R uu, typename V::R ll, typename V::R wu, typename V::R wl) {
    const auto low = V::set16(0xFF);
    const auto s1 = V::add16(V::mullo(V::template srli16<8>(uu), wu), V::mullo(V::template srli16<8>(ll), wl));
    const auto s0 = V::add16(V::mullo(V::and_(uu, low), wu), V::mullo(V::and_(ll, low), wl));
    return V::template srli16<8>(V::add16(s1, V::template srli16<8>(s0)));
}

template <class V, BilinearKind K>
int32_t vertical(const BilinearSetup& b, const void* hu, const void* hl, uint32_t fy, uint32_t* d, int32_t n) {
    constexpr int P = V::kPixels, H = P / 2;
    const auto wu = V::set16(b.full - fy), wl = V::set16(fy);
    const uint8_t* u = bytes(hu);
    const uint8_t* l = bytes(hl);
    int32_t i = 0;
    if constexpr (K == BilinearKind::plain) {
        auto part = [&](int32_t k) {  // H pixels of 16-bit lanes from pixel k
            return vertical_sixteen<V>(V::load(u + 8 * k), V::load(l + 8 * k), wu, wl);
        };
        for (; i + P <= n; i += P)
            V::store(reinterpret_cast<uint8_t*>(d + i), V::pack_in_order(part(i), part(i + H)));
    } else {
        const auto s = V::count(b.stageShift);
        const auto a = V::set16(b.alpha);
        for (; i + P <= n; i += P) {
            const auto uu = V::load(u + 4 * i), ll = V::load(l + 4 * i);
            auto vlo = V::srl16(V::add16(V::mullo(V::lo8(uu), wu), V::mullo(V::lo8(ll), wl)), s);
            auto vhi = V::srl16(V::add16(V::mullo(V::hi8(uu), wu), V::mullo(V::hi8(ll), wl)), s);
            auto* out = reinterpret_cast<uint8_t*>(d + i);
            if constexpr (K != BilinearKind::mmx) {
                const auto dv = V::load(out);
                vlo = bilinear_blend16<V, K>(vlo, V::lo8(dv), a);
                vhi = bilinear_blend16<V, K>(vhi, V::hi8(dv), a);
            }
            V::store(out, V::pack(vlo, vhi));
        }
    }
    return i;
}

template <class V, BilinearKind K>
int32_t fused(const BilinearSetup& b, const uint32_t* up, const uint32_t* lo, const uint32_t* nup,
              const uint32_t* nlo, const BilinearColumns& t, uint32_t fy, uint32_t* d, int32_t n) {
    constexpr int P = V::kPixels, H = P / 2;
    const auto wu = V::set16(b.full - fy), wl = V::set16(fy);
    const auto s = V::count(b.stageShift);
    const auto a = V::set16(b.alpha);
    int32_t i = 0;
    for (; i + P <= n; i += P) {
        // The next row's two source rows, fetched into the second-level cache: two long rows
        // would crowd the first-level one.
        // (Two plain statements, not a loop over a braced list: at -O0 that list's member
        // functions would be emitted with this file's instruction-set flags.)
        __builtin_prefetch(nup + t.off[i], 0, 2);
        __builtin_prefetch(nlo + t.off[i], 0, 2);
        __builtin_prefetch(nup + t.off[i + H], 0, 2);
        __builtin_prefetch(nlo + t.off[i + H], 0, 2);
        auto* out = reinterpret_cast<uint8_t*>(d + i);
        if constexpr (K == BilinearKind::plain) {
            const auto v0 = vertical_sixteen<V>(horizontal_part<V>(up, t, i), horizontal_part<V>(lo, t, i), wu, wl);
            const auto v1 =
                vertical_sixteen<V>(horizontal_part<V>(up, t, i + H), horizontal_part<V>(lo, t, i + H), wu, wl);
            V::store(out, V::pack_in_order(v0, v1));
        } else {
            auto half = [&](int32_t k) {  // H pixels' v from pixel k, in horizontal_part's lanes
                const auto hu = V::srl16(horizontal_part<V>(up, t, k), s);
                const auto hl = V::srl16(horizontal_part<V>(lo, t, k), s);
                return V::srl16(V::add16(V::mullo(hu, wu), V::mullo(hl, wl)), s);
            };
            const auto v0 = half(i), v1 = half(i + H);
            if constexpr (K == BilinearKind::mmx) {
                V::store(out, V::pack_in_order(v0, v1));
            } else {
                // The destination widened in the same pixel order as v0 and v1.
                const auto d0 = V::load_px16(out), d1 = V::load_px16(out + 4 * H);
                V::store(out, V::pack_in_order(bilinear_blend16<V, K>(v0, d0, a), bilinear_blend16<V, K>(v1, d1, a)));
            }
        }
    }
    return i;
}

template <class V>
constexpr SaikinGather gather_kernel() {
    if constexpr (V::kPixels == 8)
        return saikin_gather<V>;
    else
        return zoom::saikin_gather_none;  // four pixels per register: no pixel permute
}

template <class V>
constexpr ZoomKernels make_zoom_kernels() {
    constexpr bool kWide = V::kPixels == 8;
    return ZoomKernels{
        .saikin_gather = gather_kernel<V>(),
        .saikin_masked = saikin_blend<V, SaikinRule::masked, false>,
        .saikin_masked_alpha = saikin_blend<V, SaikinRule::masked_alpha, false>,
        .saikin_masked_alpha_full = saikin_blend<V, SaikinRule::masked_alpha, true>,
        .saikin_alpha = saikin_blend<V, SaikinRule::alpha, false>,
        .sample_copy = saikin_sample<V, SaikinRule::copy, false>,
        .sample_masked = saikin_sample<V, SaikinRule::masked, false>,
        .sample_masked_alpha = saikin_sample<V, SaikinRule::masked_alpha, false>,
        .sample_masked_alpha_full = saikin_sample<V, SaikinRule::masked_alpha, true>,
        .sample_alpha = saikin_sample<V, SaikinRule::alpha, false>,
        .bilinear_wide = kWide,
        .horizontal_sixteen = horizontal<V, true>,
        .horizontal_bytes = horizontal<V, false>,
        .vertical_plain = vertical<V, BilinearKind::plain>,
        .vertical_mmx = vertical<V, BilinearKind::mmx>,
        .vertical_masked = vertical<V, BilinearKind::mmx_masked>,
        .vertical_masked_alpha = vertical<V, BilinearKind::mmx_masked_alpha>,
        .vertical_alpha = vertical<V, BilinearKind::mmx_alpha>,
        .fused_plain = fused<V, BilinearKind::plain>,
        .fused_mmx = fused<V, BilinearKind::mmx>,
        .fused_masked = fused<V, BilinearKind::mmx_masked>,
        .fused_masked_alpha = fused<V, BilinearKind::mmx_masked_alpha>,
        .fused_alpha = fused<V, BilinearKind::mmx_alpha>,
    };
}

}  // namespace lumarix::zoom::LUMARIX_SIMD_NS
