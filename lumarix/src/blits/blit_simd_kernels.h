// The blits' row kernels, written once over the operation wrappers of simd/ops.h and
// instantiated for SSE2, AVX2, AVX-512 and NEON by blit_kernels_sse2.cpp, blit_kernels_avx2.cpp,
// blit_kernels_avx512.cpp and blit_kernels_neon.cpp, each in the namespace of its instruction set.
//
// Every kernel gives exactly the bytes of its scalar model in blit_kernels.cpp: bytes are taken
// into 16-bit lanes (the blends mask and shift the even and odd bytes of the pixels where they
// stand; the transitions and the add and subtract rows unpack them), where no sum of products
// exceeds 0xFF00 (weights on a scale of 256, 255 or 128, or up to 256 map levels in a transition
// band), shifted right (truncating) and put back; the saturation of a pack never acts. Products
// that would not fit 16 bits are formed with the high-half multiply: ((256 − A) << 7) ·
// (alpha << 1) >> 16 is exactly ((256 − A) · alpha) >> 8, and (s << 8) · level >> 16 is exactly
// (s · level) >> 8. The last pixels of a row, fewer than one step, go through the per-pixel
// truths of blit_px.h, or on AVX-512 through one masked step.
#pragma once

#include "blits/blit_kernels.h"
#include "simd/ops.h"

namespace lumarix::blits::LUMARIX_SIMD_NS {

/// Whether V can load and store the first pixels of a step alone (V::first_px, load_px, store_px).
template <class V>
constexpr bool has_masked_steps = requires(uint8_t* p, typename V::R v) { V::store_px(p, V::first_px(1), v); };

/// The walk along one row: whole steps of V::kPixels pixels, then the rest in units of kUnit
/// pixels (one, or two for the routines whose every step reads and writes two pixels), each
/// unit through tail(d, s, i).
/// A destination that starts less than one step after the source in memory (one bitmap, one
/// row) is walked unit by unit throughout, so that every unit sees the source as the walk of
/// the routine's own steps leaves it; further apart, or behind the source, a step reads nothing
/// that a unit walk would have written first.
/// kDepth (4 or 2) steps, then two, are loaded before any is stored, which keeps more loads in
/// flight; that needs the destination to be at least that many steps away from the source ahead
/// of it. Four pay only for the lightest bodies (the add and subtract rows); heavier ones run
/// out of registers.
/// Where the wrapper has masked loads and stores (V512) and kEdgeSteps, the aligning head and
/// the pixels after the last whole step each go through the body as one masked step instead
/// of pixel by pixel; a masked step reads and writes no pixel outside the row. Bodies that read
/// a step's worth of other data at i (the transitions' map) pass kEdgeSteps = false.
template <class V, int kUnit = 1, int kDepth = 2, bool kEdgeSteps = true, class Body, class Tail>
inline void walk(uint8_t* d, const uint8_t* s, int n, Body body, Tail tail) {
    constexpr int P = V::kPixels;
    constexpr bool kMasked = kEdgeSteps && has_masked_steps<V>;
    int i = 0;
    auto masked_step = [&](int at, int count) {
        if constexpr (kMasked) {
            const auto m = V::first_px(count);
            V::store_px(d + 4 * at, m, body(V::load_px(s + 4 * at, m), V::load_px(d + 4 * at, m), at));
        }
    };
    // Align the destination on a whole step, in whole units, so that no store splits a cache
    // line; a destination that no whole unit can align stays unaligned. The distance to the
    // boundary is then a whole number of units.
    if ((uintptr_t(d) & (4 * kUnit - 1)) == 0) {
        if (kMasked && !overlaps_ahead(d, s, P)) {
            const int head = int(((4 * P - (uintptr_t(d) & (4 * P - 1))) & (4 * P - 1)) / 4);
            i = head < n ? head : n - n % kUnit;
            if (i > 0) masked_step(0, i);
        }
        for (; i + kUnit <= n && (uintptr_t(d + 4 * i) & (4 * P - 1)) != 0; i += kUnit) tail(d + 4 * i, s + 4 * i, i);
    }
    if (kDepth >= 4 && !overlaps_ahead(d, s, 4 * P)) {
        for (; i + 4 * P <= n; i += 4 * P) {
            const auto s0 = V::load(s + 4 * i), d0 = V::load(d + 4 * i);
            const auto s1 = V::load(s + 4 * (i + P)), d1 = V::load(d + 4 * (i + P));
            const auto s2 = V::load(s + 4 * (i + 2 * P)), d2 = V::load(d + 4 * (i + 2 * P));
            const auto s3 = V::load(s + 4 * (i + 3 * P)), d3 = V::load(d + 4 * (i + 3 * P));
            V::store(d + 4 * i, body(s0, d0, i));
            V::store(d + 4 * (i + P), body(s1, d1, i + P));
            V::store(d + 4 * (i + 2 * P), body(s2, d2, i + 2 * P));
            V::store(d + 4 * (i + 3 * P), body(s3, d3, i + 3 * P));
        }
    }
    if (!overlaps_ahead(d, s, 2 * P)) {
        for (; i + 2 * P <= n; i += 2 * P) {
            const auto s0 = V::load(s + 4 * i), d0 = V::load(d + 4 * i);
            const auto s1 = V::load(s + 4 * (i + P)), d1 = V::load(d + 4 * (i + P));
            V::store(d + 4 * i, body(s0, d0, i));
            V::store(d + 4 * (i + P), body(s1, d1, i + P));
        }
    }
    if (!overlaps_ahead(d, s, P)) {
        for (; i + P <= n; i += P) V::store(d + 4 * i, body(V::load(s + 4 * i), V::load(d + 4 * i), i));
        if (kMasked && i + kUnit <= n) {
            const int rest = (n - i) - (n - i) % kUnit;
            masked_step(i, rest);
            i += rest;
        }
    }
    for (; i + kUnit <= n; i += kUnit) tail(d + 4 * i, s + 4 * i, i);
}

/// (s·w + d·(total − w)) >> kShift for every byte, the source weight w of each pixel given in
/// both of its 16-bit lanes.
template <class V, int kShift>
inline typename V::R blend_w16(typename V::R sv, typename V::R dv, typename V::R w16, uint32_t total) {
    const auto lowBytes = V::set16(0x00FF), dw = V::sub16(V::set16(total), w16);
    const auto even = V::add16(V::mullo(V::and_(sv, lowBytes), w16), V::mullo(V::and_(dv, lowBytes), dw));
    const auto odd = V::add16(V::mullo(V::template srli16<8>(sv), w16), V::mullo(V::template srli16<8>(dv), dw));
    return V::or_and(V::template srli16<kShift>(even), V::template slli16<8 - kShift>(odd), V::set16(0xFF00));
}

/// The destination's fourth bytes put back into a result.
template <class V>
inline typename V::R keep_fourth(typename V::R result, typename V::R dv) {
    return V::select(V::set32(0xFF000000u), dv, result);
}

// ==== Colour key and constant alpha =============================================================

template <class V>
void key_row(uint8_t* d, const uint8_t* s, int n, uint32_t key24) {
    const auto bgr = V::set32(0x00FFFFFFu), key = V::set32(key24);
    walk<V>(
        d, s, n,
        [=](auto sv, auto dv, int) {
            const auto c = V::and_(sv, bgr);
            return V::select(V::cmpeq32(c, key), dv, c);
        },
        [&](uint8_t* dp, const uint8_t* sp, int) { px_key(dp, sp, key24); });
}

/// Constant alpha in units of kUnit pixels (see walk); a last odd pixel of a two-pixel walk,
/// which its callers never pass, is blended alone.
template <class V, int kUnit>
void alpha_row(uint8_t* d, const uint8_t* s, int n, uint32_t a) {
    if (a == 0) return;  // the destination keeps its weight of 256
    const auto wa = V::set16(a);
    auto tail = [&](uint8_t* dp, const uint8_t* sp, int) {
        if (kUnit == 2)
            px_alpha_pair(dp, sp, a);
        else
            px_alpha(dp, sp, a);
    };
    const int whole = n - n % kUnit;
    if (a == 256) {
        walk<V, kUnit>(d, s, whole, [](auto sv, auto, int) { return sv; }, tail);
    } else {
        walk<V, kUnit>(
            d, s, whole,
            [=](auto sv, auto dv, int) { return blend_w16<V, 8>(sv, dv, wa, 256); }, tail);
    }
    if (whole < n) px_alpha(d + 4 * whole, s + 4 * whole, a);
}

template <class V, bool kKeepFourth>
void key_alpha_row(uint8_t* d, const uint8_t* s, int n, uint32_t key24, uint32_t a) {
    const auto bgr = V::set32(0x00FFFFFFu), key = V::set32(key24);
    const auto keep = V::set32(kKeepFourth ? 0xFF000000u : 0u);
    const auto wa = V::set16(a);
    walk<V>(
        d, s, n,
        [=](auto sv, auto dv, int) {
            const auto r = blend_w16<V, 8>(sv, dv, wa, 256);
            return V::select(V::or_(V::cmpeq32(V::and_(sv, bgr), key), keep), dv, r);
        },
        [&](uint8_t* dp, const uint8_t* sp, int) { px_key_alpha(dp, sp, key24, a, kKeepFourth); });
}

// ==== Per-pixel alpha =============================================================================
//
// The per-pixel weights are formed in both 16-bit lanes of each pixel's 32-bit lane, and the
// blend works on the pixels where they stand instead of unpacking them: the even bytes (blue,
// red) are masked into the low halves of the 16-bit lanes, the odd ones (green, fourth) shifted
// down into them, each half multiplied by the same weights, and the two results merged back,
// the even ones shifted down into the low bytes, the odd ones up into the high bytes. That saves
// the unpacks, the pack and spreading each weight over two halves.

/// The source's fourth byte of each pixel, one 32-bit lane per pixel.
template <class V>
inline typename V::R fourth32(typename V::R sv) {
    return V::template srli32<24>(sv);
}

/// The same with the source weight given per pixel in the low half of 32-bit lanes.
template <class V, int kShift>
inline typename V::R blend_px(typename V::R sv, typename V::R dv, typename V::R w32, uint32_t total) {
    return blend_w16<V, kShift>(sv, dv, V::or_(w32, V::template slli32<16>(w32)), total);
}

template <class V>
inline typename V::R pic_bgr(typename V::R sv, typename V::R dv) {
    return blend_w16<V, 8>(sv, dv, V::sub16(V::set16(255), V::fourth_byte16(sv)), 256);  // 255 − A, A + 1
}

template <class V>
void pic_bgr_row(uint8_t* d, const uint8_t* s, int n, uint32_t) {
    walk<V>(
        d, s, n, [](auto sv, auto dv, int) { return keep_fourth<V>(pic_bgr<V>(sv, dv), dv); },
        [](uint8_t* dp, const uint8_t* sp, int) { px_pic(dp, sp); });
}

template <class V>
inline typename V::R pic128(typename V::R sv, typename V::R dv) {
    const auto h = V::template srli16<1>(V::fourth_byte16(sv));  // A >> 1
    return blend_w16<V, 7>(sv, dv, V::sub16(V::set16(127), h), 128);
}

template <class V>
void pic128_row(uint8_t* d, const uint8_t* s, int n, uint32_t) {
    walk<V>(
        d, s, n, [](auto sv, auto dv, int) { return pic128<V>(sv, dv); },
        [](uint8_t* dp, const uint8_t* sp, int) { px_pic_mmx(dp, sp); });
}

// The skipped pixels of the two shortcut rows need no test: their blend weights (0 and 256, or
// 0 and 128) already leave the destination exactly. Only the copied pixels differ.
template <class V>
void pic_ch_bgr_row(uint8_t* d, const uint8_t* s, int n, uint32_t) {
    walk<V>(
        d, s, n,
        [](auto sv, auto dv, int) {
            const auto opaque = V::cmpeq32(fourth32<V>(sv), V::zero());
            return keep_fourth<V>(V::select(opaque, sv, pic_bgr<V>(sv, dv)), dv);
        },
        [](uint8_t* dp, const uint8_t* sp, int) { px_pic_ch(dp, sp); });
}

template <class V>
void pic128_ch_row(uint8_t* d, const uint8_t* s, int n, uint32_t) {
    walk<V>(
        d, s, n,
        [](auto sv, auto dv, int) {
            const auto opaque = V::cmpeq32(V::template srli32<25>(sv), V::zero());  // A of 0 or 1
            return V::select(opaque, sv, pic128<V>(sv, dv));
        },
        [](uint8_t* dp, const uint8_t* sp, int) { px_pic_ch_mmx(dp, sp); });
}

/// k = ((256 − A)·alpha) >> 8 per pixel, alpha2 holding alpha << 1 in 16-bit lanes.
template <class V>
inline typename V::R pic_alpha(typename V::R sv, typename V::R dv, typename V::R alpha2) {
    const auto k = V::mulhi(V::template slli16<7>(V::sub16(V::set16(256), V::fourth_byte16(sv))), alpha2);
    return blend_w16<V, 8>(sv, dv, k, 256);
}

template <class V, bool kWithFourth>
void pic_alpha_row(uint8_t* d, const uint8_t* s, int n, uint32_t alpha) {
    const auto alpha2 = V::set16(alpha << 1);
    walk<V>(
        d, s, n,
        [=](auto sv, auto dv, int) {
            const auto r = pic_alpha<V>(sv, dv, alpha2);
            return kWithFourth ? r : keep_fourth<V>(r, dv);
        },
        [&](uint8_t* dp, const uint8_t* sp, int) { px_pic_alpha(dp, sp, alpha, kWithFourth); });
}

/// k = ((255 − A)·(alpha + 1)) >> 8 per pixel, alpha1 holding alpha + 1 in 16-bit lanes.
template <class V>
inline typename V::R pic_alpha255(typename V::R sv, typename V::R dv, typename V::R alpha1) {
    const auto k = V::template srli16<8>(V::mullo(V::sub16(V::set16(255), V::fourth_byte16(sv)), alpha1));
    return blend_w16<V, 8>(sv, dv, k, 255);
}

template <class V>
void pic_alpha255_row(uint8_t* d, const uint8_t* s, int n, uint32_t alpha) {
    const auto alpha1 = V::set16(alpha + 1);
    walk<V>(
        d, s, n, [=](auto sv, auto dv, int) { return pic_alpha255<V>(sv, dv, alpha1); },
        [&](uint8_t* dp, const uint8_t* sp, int) { px_pic_alpha_mmx(dp, sp, alpha); });
}

template <class V>
void pic_alpha255_ch_row(uint8_t* d, const uint8_t* s, int n, uint32_t alpha) {
    const auto alpha1 = V::set16(alpha + 1), c255 = V::set32(255);
    walk<V>(
        d, s, n,
        [=](auto sv, auto dv, int) {
            const auto clear = V::cmpeq32(fourth32<V>(sv), c255);
            return V::select(clear, dv, pic_alpha255<V>(sv, dv, alpha1));
        },
        [&](uint8_t* dp, const uint8_t* sp, int) { px_pic_alpha_ch_mmx(dp, sp, alpha); });
}

// ==== Transitions =================================================================================
//
// The three cases of a transition pixel need no selection: with the band position clamped to
// 0 ≤ e ≤ W, a skipped pixel (v > T) gets e = 0, which leaves the destination exactly
// ((d·W) >> softness = d), and a pixel beyond the band gets e = W, which gives the source
// exactly. Saturating subtraction forms the clamp, since T and W may exceed the signed range.

/// min(max(T − v, 0), W) per pixel in 32-bit lanes; T32 and W32 hold T and W in 32-bit lanes.
template <class V>
inline typename V::R band_position(const uint8_t* map, typename V::R T32, typename V::R W32) {
    const auto x = V::subs_u16(T32, V::map_px(map));
    return V::sub16(x, V::subs_u16(x, W32));
}

template <class V, bool kKeepFourth>
void trans_row(uint8_t* d, const uint8_t* s, const uint8_t* map, int n, const TransParams& p) {
    if (p.softness > 8) {  // band products would need 32-bit lanes; such wide bands are rare
        for (int i = 0; i < n; ++i) px_trans(d + 4 * i, s + 4 * i, map[i], p, kKeepFourth);
        return;
    }
    const auto T32 = V::set32(p.T), W32 = V::set32(p.W), W = V::set16(p.W);
    const auto shift = V::count(p.softness);
    walk<V, 1, 2, false>(
        d, s, n,
        [=](auto sv, auto dv, int i) {
            const auto e32 = band_position<V>(map + i, T32, W32);
            const typename V::R e[2] = {V::px_lo16(e32), V::px_hi16(e32)};
            const typename V::R s16[2] = {V::lo8(sv), V::hi8(sv)}, d16[2] = {V::lo8(dv), V::hi8(dv)};
            typename V::R r[2];
            for (int h = 0; h < 2; ++h)
                r[h] = V::srl16(V::add16(V::mullo(s16[h], e[h]), V::mullo(d16[h], V::sub16(W, e[h]))), shift);
            const auto out = V::pack(r[0], r[1]);
            return kKeepFourth ? keep_fourth<V>(out, dv) : out;
        },
        [&](uint8_t* dp, const uint8_t* sp, int i) { px_trans(dp, sp, map[i], p, kKeepFourth); });
}

template <class V>
void alpha_trans_bgr_row(uint8_t* d, const uint8_t* s, const uint8_t* map, int n, const TransParams& p) {
    const auto T32 = V::set32(p.T), W32 = V::set32(p.W), c256 = V::set32(256);
    // f = (e << 8) >> softness, as one shift of the clamped e left or right: 0 for a skipped
    // pixel (k = 0 leaves it), 256 beyond the band.
    const bool left = p.softness <= 8;
    const auto shift = V::count(left ? 8 - p.softness : p.softness - 8);
    walk<V, 1, 2, false>(
        d, s, n,
        [=](auto sv, auto dv, int i) {
            const auto e = band_position<V>(map + i, T32, W32);
            const auto f = left ? V::sll16(e, shift) : V::srl16(e, shift);
            const auto k = V::mulhi(V::template slli16<7>(V::sub16(c256, fourth32<V>(sv))), V::template slli16<1>(f));
            return keep_fourth<V>(blend_px<V, 8>(sv, dv, k, 256), dv);
        },
        [&](uint8_t* dp, const uint8_t* sp, int i) { px_alpha_trans(dp, sp, map[i], p); });
}

// ==== Rectangle fill, light arithmetic ============================================================

template <class V>
void rect_row(uint8_t* d, int n, const uint16_t dw[4], const uint16_t cw[4]) {
    const auto dwv = V::set_px16(dw), cwv = V::set_px16(cw);
    int i = 0;
    for (; i + V::kPixels <= n; i += V::kPixels) {
        const auto dv = V::load(d + 4 * i);
        const auto r0 = V::template srli16<8>(V::add16(V::mullo(V::lo8(dv), dwv), cwv));
        const auto r1 = V::template srli16<8>(V::add16(V::mullo(V::hi8(dv), dwv), cwv));
        V::store(d + 4 * i, V::pack(r0, r1));
    }
    if constexpr (has_masked_steps<V>) {
        if (i < n) {
            const auto m = V::first_px(n - i);
            const auto dv = V::load_px(d + 4 * i, m);
            const auto r0 = V::template srli16<8>(V::add16(V::mullo(V::lo8(dv), dwv), cwv));
            const auto r1 = V::template srli16<8>(V::add16(V::mullo(V::hi8(dv), dwv), cwv));
            V::store_px(d + 4 * i, m, V::pack(r0, r1));
            return;
        }
    }
    for (; i < n; ++i) px_rect(d + 4 * i, dw, cw);
}

/// The scaled source of one step as bytes: limited to 255 (plain) or from the low 16 bits of
/// the product (the MMX twins).
template <class V, bool kMmx>
inline typename V::R scaled(typename V::R sv, typename V::R level) {
    using R = typename V::R;
    R t[2] = {V::lo8(sv), V::hi8(sv)};
    for (auto& x : t) {
        if (kMmx) {
            x = V::template srli16<8>(V::mullo(x, level));
        } else {
            x = V::mulhi(V::template slli16<8>(x), level);
            x = V::sub16(x, V::subs_u16(x, V::set16(255)));  // min(x, 255)
        }
    }
    return V::pack(t[0], t[1]);
}

template <class V, bool kSub, bool kMmx>
void light_row(uint8_t* d, const uint8_t* s, int n, uint32_t level) {
    if (level == 0) return;  // nothing is added or taken away
    auto apply = [](auto dv, auto t) { return kSub ? V::subs_u8(dv, t) : V::adds_u8(dv, t); };
    auto tail = [&](uint8_t* dp, const uint8_t* sp, int) {
        if (kSub)
            px_sub<kMmx>(dp, sp, level);
        else
            px_add<kMmx>(dp, sp, level);
    };
    if (level == 256) {  // the whole source, in both twins
        walk<V, 1, 4>(d, s, n, [=](auto sv, auto dv, int) { return apply(dv, sv); }, tail);
        return;
    }
    const auto lv = V::set16(level);
    walk<V, 1, 4>(d, s, n, [=](auto sv, auto dv, int) { return apply(dv, scaled<V, kMmx>(sv, lv)); }, tail);
}

// ==== Table =======================================================================================

template <class V>
constexpr RowKernels make_kernels() {
    return RowKernels{
        .key = key_row<V>,
        .alpha = alpha_row<V, 1>,
        .alpha_pairs = alpha_row<V, 2>,
        .key_alpha_bgr = key_alpha_row<V, true>,
        .key_alpha = key_alpha_row<V, false>,
        .pic_bgr = pic_bgr_row<V>,
        .pic128 = pic128_row<V>,
        .pic_ch_bgr = pic_ch_bgr_row<V>,
        .pic128_ch = pic128_ch_row<V>,
        .pic_alpha_bgr = pic_alpha_row<V, false>,
        .pic_alpha255 = pic_alpha255_row<V>,
        .pic_alpha255_ch = pic_alpha255_ch_row<V>,
        .copy_alpha = pic_alpha_row<V, true>,
        .trans_bgr = trans_row<V, true>,
        .trans = trans_row<V, false>,
        .alpha_trans_bgr = alpha_trans_bgr_row<V>,
        .rect = rect_row<V>,
        .add_clamped = light_row<V, false, false>,
        .add_wrapped = light_row<V, false, true>,
        .sub_clamped = light_row<V, true, false>,
        .sub_wrapped = light_row<V, true, true>,
    };
}

}  // namespace lumarix::blits::LUMARIX_SIMD_NS
