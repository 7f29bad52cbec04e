// Plain row kernels of the colour filters, the references of their SIMD twins, and the choice
// of the table to run. Built without SIMD flags.
#include "filters/color_kernels.h"

#include "simd/cpu.h"

namespace lumarix::filters {

namespace {

void mono_yuv_row(uint32_t* row, int32_t n) {
    for (int32_t i = 0; i < n; ++i) row[i] = mono_yuv_px(row[i]);
}

void posterize_bytes(uint8_t* bytes, int64_t n, const Posterize& p) {
    if (p.step <= 1) return;
    uint8_t table[256];
    for (uint32_t v = 0; v < 256; ++v) table[v] = posterize_byte(v, p.step);
    for (int64_t i = 0; i < n; ++i) bytes[i] = table[bytes[i]];
}

}  // namespace

Posterize Posterize::for_step(uint32_t step) {
    Posterize p;
    p.step = step;
    p.reciprocal = step >= 2 ? uint16_t((65536u + step - 1) / step) : 0;
    p.mask = (step >= 2 && step < 256 && (step & (step - 1)) == 0) ? uint8_t(~(step - 1)) : 0;
    return p;
}

const ColorKernels& scalar_color_kernels() {
    static constexpr ColorKernels k{
        .mono_yuv = mono_yuv_row,
        .posterize = posterize_bytes,
    };
    return k;
}

const ColorKernels& best_color_kernels() {
#if defined(LUMARIX_X86)
    return simd::pick(scalar_color_kernels, sse2_color_kernels, avx2_color_kernels, avx512_color_kernels)();
#elif defined(LUMARIX_NEON)
    return simd::pick(scalar_color_kernels, neon_color_kernels)();
#else
    return scalar_color_kernels();
#endif
}

}  // namespace lumarix::filters
