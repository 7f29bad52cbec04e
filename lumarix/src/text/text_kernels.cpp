// The scalar text kernels and the choice of the active set.
#include "text/text_kernels.h"

#include "simd/cpu.h"

namespace lumarix::text {

namespace {

void reduce_row(const uint8_t* upper, const uint8_t* lower, uint8_t* out, int32_t n) {
    for (int32_t i = 0; i < n; ++i) out[i] = px::reduce(upper, lower, i);
}

template <void (*Pixel)(uint8_t*, unsigned, uint32_t)>
void coverage_row(const uint8_t* coverage, uint8_t* dest, int32_t n, uint32_t colour) {
    for (int32_t i = 0; i < n; ++i) Pixel(dest + 4 * i, coverage[i], colour);
}

}  // namespace

const TextKernels& scalar_text_kernels() {
    static constexpr TextKernels k{reduce_row, coverage_row<px::super_blend>, coverage_row<px::layer>,
                                   coverage_row<px::fast_layer>, coverage_row<px::coverage_blend>};
    return k;
}

const TextKernels& best_text_kernels() {
#if defined(LUMARIX_X86)
    return simd::pick(scalar_text_kernels, sse2_text_kernels, avx2_text_kernels)();
#elif defined(LUMARIX_NEON)
    return simd::pick(scalar_text_kernels, neon_text_kernels)();
#else
    return scalar_text_kernels();
#endif
}

}  // namespace lumarix::text
