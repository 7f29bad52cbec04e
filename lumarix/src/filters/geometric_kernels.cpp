// The plain row kernels of the rotation and of the mirror, the plain table and the choice of the
// table to run. Built without SIMD flags.
#include "filters/geometric_kernels.h"

#include "simd/cpu.h"

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

namespace {

void reverse_row(uint32_t* row, int32_t n) { std::reverse(row, row + n); }

}  // namespace

const GeometricKernels& scalar_geometric_kernels() {
    static constexpr GeometricKernels k{.reverse = reverse_row, .rotate = rotate_row, .blur = blur_rows_plain};
    return k;
}

const GeometricKernels& best_geometric_kernels() {
#if defined(LUMARIX_X86)
    return simd::pick(scalar_geometric_kernels, sse2_geometric_kernels, avx2_geometric_kernels)();
#elif defined(LUMARIX_NEON)
    return simd::pick(scalar_geometric_kernels, neon_geometric_kernels)();
#else
    return scalar_geometric_kernels();
#endif
}

}  // namespace lumarix::filters
