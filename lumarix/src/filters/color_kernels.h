// Row kernels of the colour filters that have SIMD twins, with the per-pixel rule each twin's
// tail shares, and one table of them per instruction set. Every table gives the bytes of the
// plain one. The per-pixel rules are static: files built with AVX2 flags include them, and an
// inline copy compiled there must never be the one that plain code calls.
#pragma once

#include <cstdint>

namespace lumarix::filters {

// ==== Grey by luminance ==========================================================================
// grey = (77 red + 150 green + 29 blue) >> 8, written to blue, green and red; fourth byte kept.

static inline uint32_t mono_yuv_px(uint32_t p) {
    const uint32_t y = (77 * ((p >> 16) & 255) + 150 * ((p >> 8) & 255) + 29 * (p & 255)) >> 8;
    return (p & 0xFF000000u) | (y * 0x010101u);
}


// ==== Posterization =============================================================================
// Every byte v becomes (v div step) * step, step from 2 to 256 (step 1 changes nothing).
// The SIMD twins divide with a 16-bit reciprocal: for v < 256 and step <= 256,
// v div step == (v * ceil(65536 / step)) >> 16 exactly, and steps that are powers of two
// reduce to a mask.

struct Posterize {
    uint32_t step = 1;
    uint16_t reciprocal = 0;  // ceil(65536 / step)
    uint8_t mask = 0;         // ~(step - 1) when step is a power of two below 256, else 0
    static Posterize for_step(uint32_t step);
};

static inline uint8_t posterize_byte(uint32_t v, uint32_t step) { return uint8_t(v / step * step); }

// ==== Tables =====================================================================================

struct ColorKernels {
    void (*mono_yuv)(uint32_t* row, int32_t n);                          // MonoYUV32
    void (*posterize)(uint8_t* bytes, int64_t n, const Posterize& p);    // the posterizing filters
};

/// The plain kernels, the models of the others.
const ColorKernels& scalar_color_kernels();
#if defined(LUMARIX_X86)
const ColorKernels& sse2_color_kernels();
/// Only when simd::use_avx2().
const ColorKernels& avx2_color_kernels();
/// Only when simd::use_avx512().
const ColorKernels& avx512_color_kernels();
#endif
#if defined(LUMARIX_NEON)
const ColorKernels& neon_color_kernels();
#endif
/// The table of the active SIMD level (simd/cpu.h).
const ColorKernels& best_color_kernels();

}  // namespace lumarix::filters
