// The geometric filters' kernel table, written once over the wrappers of simd/ops.h and
// instantiated by geometric_kernels_sse2.cpp, geometric_kernels_avx2.cpp and
// geometric_kernels_neon.cpp: the mirror's reversal, the rotation's row and the blur's walk.
#pragma once

#include "filters/blur_simd_kernels.h"
#include "filters/geometric_kernels.h"
#include "filters/reverse_simd_kernels.h"
#include "filters/rotate_simd_kernels.h"

namespace lumarix::filters::LUMARIX_SIMD_NS {

template <class V>
constexpr GeometricKernels make_geometric_kernels() {
    return GeometricKernels{.reverse = reverse_row<V>, .rotate = rotate_row<V>, .blur = blur_rows<V>};
}

}  // namespace lumarix::filters::LUMARIX_SIMD_NS
