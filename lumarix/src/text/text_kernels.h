// The row kernels of text output: the 2x2 reduction of a supersampled rendering and the ways its
// coverage meets the destination. Scalar models in text_kernels.cpp; the same kernels over the
// SIMD layer in text_simd_kernels.h, instantiated per instruction set, give exactly their bytes.
//
// Coverage runs from 0 (paper) to 255 (full ink), one byte per pixel. Colours are packed as a
// 32-bit pixel: blue in the low byte, then green and red, fourth byte 0. Destinations are 32-bit
// pixels; n counts them.
#pragma once

#include <cstdint>

namespace lumarix::text {

struct TextKernels {
    /// out[i] = (upper[2i] + upper[2i+1] + lower[2i] + lower[2i+1] + 3) >> 2: the coverage of a
    /// 2x2 block, rounded up so that any ink in the block counts.
    void (*reduce)(const uint8_t* upper, const uint8_t* lower, uint8_t* out, int32_t n);
    /// Blue, green and red become (d * (256 - c) + colour * c) >> 8; the fourth byte is kept.
    void (*super_blend)(const uint8_t* coverage, uint8_t* dest, int32_t n, uint32_t colour);
    /// c = 0 keeps the pixel; otherwise it becomes the colour with fourth byte 255 - c.
    void (*layer)(const uint8_t* coverage, uint8_t* dest, int32_t n, uint32_t colour);
    /// c = 0 keeps the pixel; otherwise it becomes the colour with fourth byte 0.
    void (*fast_layer)(const uint8_t* coverage, uint8_t* dest, int32_t n, uint32_t colour);
    /// Blue, green and red become (d * (255 - c) + colour * c + 127) / 255; the fourth byte is kept.
    void (*coverage_blend)(const uint8_t* coverage, uint8_t* dest, int32_t n, uint32_t colour);
};

/// The scalar kernels: loops over the per-pixel models below.
const TextKernels& scalar_text_kernels();

#if defined(LUMARIX_X86)
const TextKernels& sse2_text_kernels();
/// Only when simd::use_avx2().
const TextKernels& avx2_text_kernels();
#endif
#if defined(LUMARIX_NEON)
const TextKernels& neon_text_kernels();
#endif

/// The table of the active SIMD level (simd/cpu.h); all tables give the same bytes.
const TextKernels& best_text_kernels();

/// One pixel of each kernel: the models, and the tails of the SIMD rows. Internal to each file
/// that includes them, so that a copy built with AVX2 flags is never the one a plain caller gets.
namespace px {

static inline uint8_t reduce(const uint8_t* upper, const uint8_t* lower, int32_t i) {
    return uint8_t((upper[2 * i] + upper[2 * i + 1] + lower[2 * i] + lower[2 * i + 1] + 3) >> 2);
}

static inline void super_blend(uint8_t* p, unsigned c, uint32_t colour) {
    const unsigned a = 256 - c;
    p[0] = uint8_t((p[0] * a + (colour & 0xFF) * c) >> 8);
    p[1] = uint8_t((p[1] * a + (colour >> 8 & 0xFF) * c) >> 8);
    p[2] = uint8_t((p[2] * a + (colour >> 16 & 0xFF) * c) >> 8);
}

static inline void layer(uint8_t* p, unsigned c, uint32_t colour) {
    if (c == 0) return;
    p[0] = uint8_t(colour), p[1] = uint8_t(colour >> 8), p[2] = uint8_t(colour >> 16), p[3] = uint8_t(255 - c);
}

static inline void fast_layer(uint8_t* p, unsigned c, uint32_t colour) {
    if (c == 0) return;
    p[0] = uint8_t(colour), p[1] = uint8_t(colour >> 8), p[2] = uint8_t(colour >> 16), p[3] = 0;
}

static inline uint8_t mix(unsigned under, unsigned over, unsigned c) {
    return uint8_t((under * (255 - c) + over * c + 127) / 255);
}

static inline void coverage_blend(uint8_t* p, unsigned c, uint32_t colour) {
    if (c == 0) return;
    p[0] = mix(p[0], colour & 0xFF, c);
    p[1] = mix(p[1], colour >> 8 & 0xFF, c);
    p[2] = mix(p[2], colour >> 16 & 0xFF, c);
}

}  // namespace px
}  // namespace lumarix::text
