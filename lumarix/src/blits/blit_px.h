// Per-pixel truths of the blits: one inline function per rule, on one 4-byte pixel (bytes blue,
// green, red, fourth byte). The scalar row kernels are loops over these, and the SIMD kernels
// finish every row with them, so head, body and tail cannot drift apart.
//
// Arithmetic is per byte on unsigned values, truncating shifts, no rounding term. Where the
// twins of a routine weigh differently, each has its own function here. The functions have
// internal linkage: the AVX2 kernels are compiled with -mavx2, and a shared inline copy from
// there must never be what the plain code calls.
#pragma once

#include <cstdint>
#include <cstring>

namespace lumarix::blits {

// ==== Colour key and constant alpha =============================================================

/// Blue, green and red of the pixel as a 24-bit number (blue in bits 0 to 7); the key blits
/// compare this with the key colour as it stands, red and blue not exchanged.
static inline uint32_t px_bgr(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16; }

/// Key pixel: nothing. Other pixel: blue, green, red copied, fourth byte 0.
static inline void px_key(uint8_t* d, const uint8_t* s, uint32_t key24) {
    if (px_bgr(s) == key24) return;
    d[0] = s[0];
    d[1] = s[1];
    d[2] = s[2];
    d[3] = 0;
}

/// All four bytes: d' = (s·a + d·(256 − a)) >> 8 for a of 0 to 256.
static inline void px_alpha(uint8_t* d, const uint8_t* s, uint32_t a) {
    for (int c = 0; c < 4; ++c) d[c] = uint8_t((s[c] * a + d[c] * (256 - a)) >> 8);
}

/// Two pixels as one 8-byte unit: both read, source and destination, before both are written.
static inline void px_alpha_pair(uint8_t* d, const uint8_t* s, uint32_t a) {
    uint8_t sv[8], dv[8];
    std::memcpy(sv, s, 8);
    std::memcpy(dv, d, 8);
    for (int c = 0; c < 8; ++c) d[c] = uint8_t((sv[c] * a + dv[c] * (256 - a)) >> 8);
}

/// Key pixel: nothing. Other pixel: the constant-alpha blend of blue, green and red, and of the
/// fourth byte too unless keepFourth.
static inline void px_key_alpha(uint8_t* d, const uint8_t* s, uint32_t key24, uint32_t a, bool keepFourth) {
    if (px_bgr(s) == key24) return;
    const int channels = keepFourth ? 3 : 4;
    for (int c = 0; c < channels; ++c) d[c] = uint8_t((s[c] * a + d[c] * (256 - a)) >> 8);
}

// ==== Per-pixel alpha (the source's fourth byte A: 0 opaque, 255 transparent) ===================

/// Weights 255 − A and A + 1 on a scale of 256; blue, green, red.
static inline void px_pic(uint8_t* d, const uint8_t* s) {
    const uint32_t A = s[3], sw = 255 - A, dw = A + 1;
    for (int c = 0; c < 3; ++c) d[c] = uint8_t((s[c] * sw + d[c] * dw) >> 8);
}

/// Weights 127 − (A >> 1) and (A >> 1) + 1 on a scale of 128; all four bytes.
static inline void px_pic_mmx(uint8_t* d, const uint8_t* s) {
    const uint32_t h = s[3] >> 1, sw = 127 - h, dw = h + 1;
    for (int c = 0; c < 4; ++c) d[c] = uint8_t((s[c] * sw + d[c] * dw) >> 7);
}

/// As px_pic, but A = 255 leaves the pixel and A = 0 copies blue, green and red.
static inline void px_pic_ch(uint8_t* d, const uint8_t* s) {
    const uint32_t A = s[3];
    if (A == 255) return;
    if (A == 0) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
        return;
    }
    px_pic(d, s);
}

/// As px_pic_mmx, but A of 254 or 255 leaves the pixel and A of 0 or 1 copies all four bytes.
static inline void px_pic_ch_mmx(uint8_t* d, const uint8_t* s) {
    const uint32_t A = s[3];
    if (A >= 254) return;
    if (A <= 1) {
        std::memcpy(d, s, 4);
        return;
    }
    px_pic_mmx(d, s);
}

/// Source weight k = ((256 − A)·alpha) >> 8, destination weight 256 − k, for alpha of 0 to 256;
/// blue, green, red, and the fourth byte too when withFourth (the alpha copy).
static inline void px_pic_alpha(uint8_t* d, const uint8_t* s, uint32_t alpha, bool withFourth) {
    const uint32_t k = uint16_t(((256 - s[3]) * alpha) >> 8), m = 256 - k;
    const int channels = withFourth ? 4 : 3;
    for (int c = 0; c < channels; ++c) d[c] = uint8_t((s[c] * k + d[c] * m) >> 8);
}

/// Source weight k = ((255 − A)·(alpha + 1)) >> 8, destination weight 255 − k (the weights add up
/// to 255, so a weight of 0 still lowers the destination by one); all four bytes.
static inline void px_pic_alpha_mmx(uint8_t* d, const uint8_t* s, uint32_t alpha) {
    const uint32_t k = ((255 - s[3]) * (alpha + 1)) >> 8, m = 255 - k;
    for (int c = 0; c < 4; ++c) d[c] = uint8_t((s[c] * k + d[c] * m) >> 8);
}

/// As px_pic_alpha_mmx, but A = 255 leaves the pixel.
static inline void px_pic_alpha_ch_mmx(uint8_t* d, const uint8_t* s, uint32_t alpha) {
    if (s[3] == 255) return;
    px_pic_alpha_mmx(d, s, alpha);
}

// ==== Transitions ===============================================================================

/// Scaled progress and band of a transition: W = 1 << softness, T = (progress·(256 + W)) >> 8
/// kept in 16 bits. A pixel with map value v is skipped when v > T, blended in the band
/// (e = T − v ≤ W) and taken from the source beyond it.
struct TransParams {
    uint32_t softness;
    uint32_t W;
    uint32_t T;
};

static inline TransParams trans_params(uint32_t progress, uint32_t softness) {
    const uint32_t W = 1u << softness;
    return {softness, W, uint16_t((progress * (256 + W)) >> 8)};
}

/// Band: (s·e + d·(W − e)) >> softness; beyond: the source. Blue, green and red only with
/// keepFourth, else all four bytes (the whole source pixel is copied beyond the band).
static inline void px_trans(uint8_t* d, const uint8_t* s, uint8_t v, const TransParams& p, bool keepFourth) {
    if (v > p.T) return;
    const uint32_t e = p.T - v;
    const int channels = keepFourth ? 3 : 4;
    if (e <= p.W) {
        for (int c = 0; c < channels; ++c) d[c] = uint8_t((s[c] * e + d[c] * (p.W - e)) >> p.softness);
    } else {
        std::memcpy(d, s, size_t(channels));
    }
}

/// The transition that also honours the source's transparency byte. The band position becomes a
/// weight f = (e << 8) >> softness on a scale of 256 (0 where the band starts, 256 where it ends,
/// 256 beyond it), and the source weight is k = ((256 − A)·f) >> 8, destination weight 256 − k,
/// blue, green and red, fourth byte kept. So the picture fades in along the band and ends
/// composited by its own transparency, exactly as px_pic_alpha at alpha 256; an opaque pixel
/// follows the plain transition's numbers for softness up to 8.
static inline void px_alpha_trans(uint8_t* d, const uint8_t* s, uint8_t v, const TransParams& p) {
    if (v > p.T) return;
    const uint32_t e = p.T - v;
    const uint32_t f = e <= p.W ? (e << 8) >> p.softness : 256;
    const uint32_t k = ((256 - s[3]) * f) >> 8, m = 256 - k;
    for (int c = 0; c < 3; ++c) d[c] = uint8_t((s[c] * k + d[c] * m) >> 8);
}

// ==== Rectangle fill, light arithmetic ==========================================================

/// d' = (d·dw[c] + cw[c]) >> 8 per byte, the colour term cw computed once per call.
static inline void px_rect(uint8_t* d, const uint16_t dw[4], const uint16_t cw[4]) {
    for (int c = 0; c < 4; ++c) d[c] = uint8_t((d[c] * dw[c] + cw[c]) >> 8);
}

/// The scaled source of the plain add and subtract: (s·level) >> 8, limited to 255.
static inline uint32_t scaled_plain(uint32_t s, uint32_t level) {
    const uint32_t t = (s * level) >> 8;
    return t > 255 ? 255 : t;
}

/// The scaled source of the MMX twins: the product kept to its low 16 bits, then >> 8.
static inline uint32_t scaled_mmx(uint32_t s, uint32_t level) { return ((s * level) & 0xFFFF) >> 8; }

template <bool kMmx>
static inline void px_add(uint8_t* d, const uint8_t* s, uint32_t level) {
    for (int c = 0; c < 4; ++c) {
        const uint32_t t = kMmx ? scaled_mmx(s[c], level) : scaled_plain(s[c], level);
        const uint32_t r = d[c] + t;
        d[c] = uint8_t(r > 255 ? 255 : r);
    }
}

template <bool kMmx>
static inline void px_sub(uint8_t* d, const uint8_t* s, uint32_t level) {
    for (int c = 0; c < 4; ++c) {
        const uint32_t t = kMmx ? scaled_mmx(s[c], level) : scaled_plain(s[c], level);
        d[c] = uint8_t(d[c] > t ? d[c] - t : 0);
    }
}

// ==== Overlap =====================================================================================

/// True when d lies less than `pixels` pixels after s in memory. Blocks of that many pixels
/// would then read source pixels that the same block writes, which a left-to-right pixel walk
/// reads only after writing them; such rows are left to the pixel walk.
static inline bool overlaps_ahead(const uint8_t* d, const uint8_t* s, int pixels) {
    const uintptr_t diff = uintptr_t(d) - uintptr_t(s);
    return diff != 0 && diff < uintptr_t(pixels) * 4;
}

}  // namespace lumarix::blits
