// Plain row kernels of the rotation and of the mirror.
#include "filters/filter_common.h"
#include "simd/cpu.h"
#include "filters/geometric_kernels.h"

#include <algorithm>

namespace lumarix::filters {

void rotate_row(const RotationRow& job) {
    int64_t x = job.x, y = job.y;
    for (int32_t n = 0; n < job.count; ++n) {
        job.dst[n] = job.srcRows[y >> 10][x >> 10];
        x += job.cosK;
        y += job.sinK;
    }
}

void reverse_row(uint32_t* row, int32_t n) { std::reverse(row, row + n); }

ReverseKernel pick_reverse_row() {
#if defined(LUMARIX_X86)
    if (simd::use_avx2()) return reverse_row_avx2;
    if (simd::use_sse2()) return reverse_row_sse2;
#endif
#if defined(LUMARIX_NEON)
    if (simd::use_neon()) return reverse_row_neon;
#endif
    return reverse_row;
}

}  // namespace lumarix::filters
