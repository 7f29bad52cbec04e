// The zooms' kernels on SSE2, four pixels per step; see zoom_simd_kernels.h.
#include "zoom/zoom_simd_kernels.h"

namespace lumarix::zoom {

const ZoomKernels& sse2_zoom_kernels() {
    static constexpr ZoomKernels k = sse2::make_zoom_kernels<simd::sse2::V128>();
    return k;
}

}  // namespace lumarix::zoom
