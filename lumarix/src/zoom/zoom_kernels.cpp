// The zooms' plain kernel table and the choice of the table to run. Built without SIMD flags.
//
// The drivers finish every row with the model's own arithmetic from where a kernel stopped, so
// the plain kernels that return a count write nothing and return 0. The horizontal half has no
// tail: it fills the cached row from the column table, each byte as l * wl + r * wr, kept as 16
// bits (plain zoom) or shifted by the stage shift to a byte (MMX family).
#include "zoom/zoom_kernels.h"

#include "simd/cpu.h"

namespace lumarix::zoom {

namespace {

int32_t sample_none(uint32_t*, const uint32_t*, const uint32_t*, uint32_t, uint32_t, unsigned, int32_t, uint32_t) {
    return 0;
}

int32_t blend_none(uint32_t*, uint32_t*, const uint32_t*, int32_t, uint32_t) { return 0; }

int32_t vertical_none(const BilinearSetup&, const void*, const void*, uint32_t, uint32_t*, int32_t) { return 0; }

int32_t fused_none(const BilinearSetup&, const uint32_t*, const uint32_t*, const uint32_t*, const uint32_t*,
                   const BilinearColumns&, uint32_t, uint32_t*, int32_t) {
    return 0;
}

template <bool kSixteen>
void horizontal_row(const uint32_t* row, const BilinearColumns& t, int32_t padded, unsigned stageShift,
                    const BilinearWideColumns*, int32_t, void* out) {
    for (int32_t k = 0; k < padded; ++k) {
        const uint32_t l = row[t.off[k]], r = row[t.off[k] + 1];
        for (int c = 0; c < 4; ++c) {
            const uint32_t u = ((l >> (8 * c)) & 255) * t.wl[k][c] + ((r >> (8 * c)) & 255) * t.wr[k][c];
            if constexpr (kSixteen)
                static_cast<uint16_t*>(out)[4 * k + c] = uint16_t(u);
            else
                static_cast<uint8_t*>(out)[4 * k + c] = uint8_t(u >> stageShift);
        }
    }
}

}  // namespace

int32_t saikin_gather_none(uint32_t*, const uint32_t*, int32_t, uint32_t, uint32_t, unsigned, int32_t) { return 0; }

const ZoomKernels& scalar_zoom_kernels() {
    static constexpr ZoomKernels k{
        .saikin_gather = saikin_gather_none,
        .saikin_masked = blend_none,
        .saikin_masked_alpha = blend_none,
        .saikin_masked_alpha_full = blend_none,
        .saikin_alpha = blend_none,
        .sample_copy = sample_none,
        .sample_masked = sample_none,
        .sample_masked_alpha = sample_none,
        .sample_masked_alpha_full = sample_none,
        .sample_alpha = sample_none,
        .bilinear_wide = false,
        .horizontal_sixteen = horizontal_row<true>,
        .horizontal_bytes = horizontal_row<false>,
        .vertical_plain = vertical_none,
        .vertical_mmx = vertical_none,
        .vertical_masked = vertical_none,
        .vertical_masked_alpha = vertical_none,
        .vertical_alpha = vertical_none,
        .fused_plain = fused_none,
        .fused_mmx = fused_none,
        .fused_masked = fused_none,
        .fused_masked_alpha = fused_none,
        .fused_alpha = fused_none,
    };
    return k;
}

const ZoomKernels& best_zoom_kernels() {
#if defined(LUMARIX_X86)
    return simd::pick(scalar_zoom_kernels, sse2_zoom_kernels, avx2_zoom_kernels)();
#elif defined(LUMARIX_NEON)
    return simd::pick(scalar_zoom_kernels, neon_zoom_kernels)();
#else
    return scalar_zoom_kernels();
#endif
}

}  // namespace lumarix::zoom
