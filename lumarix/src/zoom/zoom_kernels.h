// The zooms' kernels: one table per instruction set, every entry giving the bytes of the scalar
// model (zoom_nearest.cpp, zoom_bilinear.cpp). The drivers in those plain files walk the rows,
// keep the caches and finish each row's tail with the model's own arithmetic; the kernels stream
// whole groups of pixels and return how many they wrote where the count can fall short. The
// plain table's kernels write none of those pixels, which leaves every one to the tails.
#pragma once

#include "zoom/zoom_p.h"

#include <cstdint>

namespace lumarix::zoom {

/// Destination columns per strip of the blends and of the bilinear caches.
inline constexpr int32_t kStrip = 2048;

/// The bilinear horizontal half's column table of one strip (filled by the plain driver, padded
/// to a multiple of eight columns with valid loads of weight 0): the load offset of each
/// column's pair of neighbours, and its two weights repeated in the four 16-bit lanes of a
/// pixel, so that the weights of consecutive columns are consecutive in memory.
struct BilinearColumns {
    int32_t off[kStrip + 8];
    alignas(32) uint16_t wl[kStrip + 8][4];
    alignas(32) uint16_t wr[kStrip + 8][4];
};

/// Samples of a nearest-neighbour row s[(acc + i * step) >> shift], for whole groups of i < n,
/// put straight into the destination row by a pixel rule (the copy stores them); returns how
/// many it wrote. `next` is the source row of the next destination row, fetched into the cache
/// at the same columns while this one is sampled (pass s itself where there is none).
using SaikinSample = int32_t (*)(uint32_t* d, const uint32_t* s, const uint32_t* next, uint32_t acc, uint32_t step,
                                 unsigned shift, int32_t n, uint32_t alpha);
/// Samples of a step below one pixel, s[(acc + i * step) >> shift] into out[i], for the leading
/// whole groups of i < inside that lie inside the row's width; returns how many. 0 where the
/// level has no pixel permute.
using SaikinGather = int32_t (*)(uint32_t* out, const uint32_t* srow, int32_t width, uint32_t acc, uint32_t step,
                                 unsigned shift, int32_t inside);
/// A blend rule of a gathered line over a destination row d, and over a second one d2 that
/// samples the same source row where d2 is not null, whole groups; returns the count.
using SaikinBlend = int32_t (*)(uint32_t* d, uint32_t* d2, const uint32_t* line, int32_t n, uint32_t alpha);
/// The horizontal half of one source row into a cached row (all `padded` columns; the fast
/// groups of `wide` where the level uses them).
using BilinearHorizontal = void (*)(const uint32_t* row, const BilinearColumns& t, int32_t padded,
                                    unsigned stageShift, const BilinearWideColumns* wide, int32_t wideGroups,
                                    void* out);
/// The vertical half and blend over two cached rows, whole groups; returns the count.
using BilinearVertical = int32_t (*)(const BilinearSetup& b, const void* hu, const void* hl, uint32_t fy,
                                     uint32_t* d, int32_t n);

/// Both halves and the blend at once, for destination rows whose source rows no other row
/// shares: whole groups of the strip's n columns from the upper and lower rows up and lo; nup
/// and nlo are the next destination row's rows, fetched into the cache at the same columns.
using BilinearFused = int32_t (*)(const BilinearSetup& b, const uint32_t* up, const uint32_t* lo,
                                  const uint32_t* nup, const uint32_t* nlo, const BilinearColumns& t, uint32_t fy,
                                  uint32_t* d, int32_t n);

struct ZoomKernels {
    SaikinGather saikin_gather;
    SaikinBlend saikin_masked, saikin_masked_alpha, saikin_masked_alpha_full, saikin_alpha;
    /// Sampling and rule in one pass, for rows that are not repeated: the copy, then the blends
    /// in the order of the line blends above.
    SaikinSample sample_copy, sample_masked, sample_masked_alpha, sample_masked_alpha_full, sample_alpha;
    /// Whether the horizontal half uses BilinearWideColumns (the driver fills it only then).
    bool bilinear_wide;
    BilinearHorizontal horizontal_sixteen;  // plain zoom: exact 16-bit sums
    BilinearHorizontal horizontal_bytes;    // MMX family: each sum shifted and packed to a byte
    BilinearVertical vertical_plain, vertical_mmx, vertical_masked, vertical_masked_alpha, vertical_alpha;
    BilinearFused fused_plain, fused_mmx, fused_masked, fused_masked_alpha, fused_alpha;
};

/// The gather of the levels without a pixel permute: no samples.
int32_t saikin_gather_none(uint32_t* out, const uint32_t* srow, int32_t width, uint32_t acc, uint32_t step,
                           unsigned shift, int32_t inside);

/// The plain kernels: none of the pixels (the drivers' tails make them all), the horizontal half
/// lane by lane.
const ZoomKernels& scalar_zoom_kernels();

#if defined(LUMARIX_X86)
const ZoomKernels& sse2_zoom_kernels();
/// Only when simd::use_avx2().
const ZoomKernels& avx2_zoom_kernels();
#endif
#if defined(LUMARIX_NEON)
const ZoomKernels& neon_zoom_kernels();
#endif

/// The table of the active SIMD level (simd/cpu.h); all tables give the same bytes.
const ZoomKernels& best_zoom_kernels();

}  // namespace lumarix::zoom
