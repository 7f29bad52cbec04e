// Row kernels of the colour filters that have SIMD twins, with the per-pixel rule each twin's
// tail shares. Every twin gives the same bytes as the plain kernel.
#pragma once

#include <cstdint>

namespace lumarix::filters {

// ==== Grey by luminance ==========================================================================
// grey = (77 red + 150 green + 29 blue) >> 8, written to blue, green and red; fourth byte kept.

inline uint32_t mono_yuv_px(uint32_t p) {
    const uint32_t y = (77 * ((p >> 16) & 255) + 150 * ((p >> 8) & 255) + 29 * (p & 255)) >> 8;
    return (p & 0xFF000000u) | (y * 0x010101u);
}

void mono_yuv_row(uint32_t* row, int32_t n);
void mono_yuv_row_sse2(uint32_t* row, int32_t n);
void mono_yuv_row_avx2(uint32_t* row, int32_t n);

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

inline uint8_t posterize_byte(uint32_t v, uint32_t step) { return uint8_t(v / step * step); }

void posterize_bytes(uint8_t* bytes, int64_t n, const Posterize& p);
void posterize_bytes_sse2(uint8_t* bytes, int64_t n, const Posterize& p);
void posterize_bytes_avx2(uint8_t* bytes, int64_t n, const Posterize& p);

}  // namespace lumarix::filters
