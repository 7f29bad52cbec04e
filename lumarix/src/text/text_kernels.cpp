// The scalar text kernels and the choice of the active set.
#include "text/text_kernels.h"

#include "simd/cpu.h"

namespace lumarix::text {

#if defined(LUMARIX_X86)
const TextKernels& sse2_text_kernels();
const TextKernels& avx2_text_kernels();
#elif defined(LUMARIX_NEON)
const TextKernels& neon_text_kernels();
#endif

namespace {

void Reduce(const uint8_t* upper, const uint8_t* lower, uint8_t* out, int32_t n) {
    for (int32_t i = 0; i < n; ++i) out[i] = px::Reduce(upper, lower, i);
}

template <void (*Pixel)(uint8_t*, unsigned, uint32_t)>
void Row(const uint8_t* coverage, uint8_t* dest, int32_t n, uint32_t colour) {
    for (int32_t i = 0; i < n; ++i) Pixel(dest + 4 * i, coverage[i], colour);
}

}  // namespace

const TextKernels& ScalarTextKernels() {
    static constexpr TextKernels k{Reduce, Row<px::SuperBlend>, Row<px::Layer>, Row<px::FastLayer>,
                                   Row<px::CoverageBlend>};
    return k;
}

const TextKernels& ActiveTextKernels() {
#if defined(LUMARIX_X86)
    return simd::pick(ScalarTextKernels, sse2_text_kernels, avx2_text_kernels)();
#elif defined(LUMARIX_NEON)
    return simd::pick(ScalarTextKernels, neon_text_kernels)();
#else
    return ScalarTextKernels();
#endif
}

}  // namespace lumarix::text
