// Run-time processor check for the filters' AVX2 kernels. Built without SIMD flags, so that this
// file runs on every x86-64 processor.
#include "filters/filter_common.h"

namespace lumarix::filters {

bool cpu_has_avx2() {
#if defined(LUMARIX_X86) && (defined(__GNUC__) || defined(__clang__))
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return has;
#else
    return false;
#endif
}

}  // namespace lumarix::filters
