// Processor checks. Kept free of SIMD compile flags so that this file runs on any processor.
#include <lumarix/Lumarix.h>

#if defined(LUMARIX_X86) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>
#endif

namespace lumarix {

namespace {

// EDX of CPUID leaf 1, or 0 when leaf 1 is not available.
uint32_t FeatureFlagsEdx() {
#if defined(LUMARIX_X86) && (defined(__GNUC__) || defined(__clang__))
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    __cpuid(0, eax, ebx, ecx, edx);
    if (eax < 1) return 0;
    __cpuid(1, eax, ebx, ecx, edx);
    return edx;
#else
    return 0;
#endif
}

}  // namespace

bool MMXCheck() { return (FeatureFlagsEdx() >> 23) & 1; }

bool SSE2Check() { return (FeatureFlagsEdx() >> 26) & 1; }

}  // namespace lumarix
