// The zooms' kernels on AVX2, eight pixels per step; see zoom_simd_kernels.h. Reached only
// through best_zoom_kernels() at the AVX2 level.
#include "zoom/zoom_simd_kernels.h"

namespace lumarix::zoom {

const ZoomKernels& avx2_zoom_kernels() {
    static constexpr ZoomKernels k = avx2::make_zoom_kernels<simd::avx2::V256>();
    return k;
}

}  // namespace lumarix::zoom
