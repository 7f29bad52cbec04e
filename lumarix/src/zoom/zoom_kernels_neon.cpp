// The zooms' kernels on NEON, four pixels per step; see zoom_simd_kernels.h.
#include "zoom/zoom_simd_kernels.h"

namespace lumarix::zoom {

const ZoomKernels& neon_zoom_kernels() {
    static constexpr ZoomKernels k = neon::make_zoom_kernels<simd::neon::V128>();
    return k;
}

}  // namespace lumarix::zoom
