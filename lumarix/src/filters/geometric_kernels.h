// Internals of the geometric filters, exposed for their tests: the rotation's coefficients and
// row kernel, the row reversal, the blur's two implementations, and their kernels: one table per
// instruction set (geometric_kernels_<isa>.cpp, written once in geometric_simd_kernels.h), all
// giving the bytes of the plain table.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumarix {
class TBitmap;
}

namespace lumarix::filters {

// ==== Rotation ==================================================================================

/// cos and sin of (360 - angle) degrees, computed in long double, times 1024, truncated.
struct RotationCoefficients {
    int32_t cosK = 1024;
    int32_t sinK = 0;
};
RotationCoefficients rotation_coefficients(int32_t angle);

/// Shrinks [lo, hi) to the i with 0 <= base + i * step <= limit.
void narrow_to_range(int64_t base, int64_t step, int64_t limit, int64_t& lo, int64_t& hi);

/// One window row whose every source point lies inside the source area: pixel n of `dst` takes
/// srcRows[(y + n sinK) >> 10][(x + n cosK) >> 10].
struct RotationRow {
    uint32_t* dst = nullptr;
    int32_t count = 0;
    int64_t x = 0, y = 0;  // source position of dst[0], in 1/1024 pixel, both >= 0
    int32_t cosK = 0, sinK = 0;
    const uint32_t* const* srcRows = nullptr;
    // For the vector kernels: the source rows as one block of `stride` pixels per row, with
    // every source position below 2^31 / 1024 pixels in each direction.
    const uint32_t* base = nullptr;
    int32_t stride = 0;
};
/// The plain row: one read and one write at a time, from srcRows (base is not used).
void rotate_row(const RotationRow& job);
using RotateRow = void (*)(const RotationRow& job);

// ==== Row reversal (Mirror) =====================================================================

using ReverseRow = void (*)(uint32_t* row, int32_t n);

// ==== Box blur ==================================================================================

/// Exact division by n through a reciprocal: for n >= 2, sh = 31 + ceil(log2 n) and
/// m = ceil(2^sh / n) < 2^32 give (s * m) >> sh == s div n for every s <= 255 n as long as
/// 255 n <= 2^31 (windows up to kBlurMagicLimit pixels). For n = 1, m = 1 and sh = 0.
struct Reciprocal {
    uint64_t m = 1;
    uint32_t sh = 0;
};
Reciprocal reciprocal_for(uint64_t n);
inline constexpr int64_t kBlurMagicLimit = 8'000'000;

/// How the blur divides: `automatic` is what Blur32 runs (the walk of the active level's table on
/// bitmaps at least two pixels wide, otherwise the plain reciprocal code; windows above
/// kBlurMagicLimit pixels always take the 64-bit division). Tests force the plain paths.
enum class BlurPath { automatic, plain, plain_wide };

/// The window's reach in columns and rows: the radius, but at most the line's length less one,
/// beyond which a window covers the whole line anyway.
struct BlurRadii {
    int32_t x = 0, y = 0;
};
BlurRadii blur_radii(int32_t radius, int32_t width, int32_t height);
void blur_running(TBitmap& bitmap, int32_t radius, BlurPath path);

/// The rows of a 32-bit picture, `stride` bytes apart: found by arithmetic, so that a tall,
/// narrow picture needs no table of row addresses as large as its pixels. No member functions:
/// each walk computes row y itself, so that no copy compiled with SIMD flags is shared.
struct PixelRows {
    uint8_t* first;
    ptrdiff_t stride;
};

/// The row walks of the kernel tables: windows of at most kBlurMagicLimit pixels, radii.x >= 1.
using BlurRows = void (*)(PixelRows rows, int32_t width, int32_t height, BlurRadii radii);
/// The plain walk with the reciprocal (the plain table's entry).
void blur_rows_plain(PixelRows rows, int32_t width, int32_t height, BlurRadii radii);

// ==== The kernel tables =========================================================================

struct GeometricKernels {
    ReverseRow reverse;  // Mirror
    RotateRow rotate;    // Rotate32 on a source block (RotationRow::base), source not the destination
    BlurRows blur;       // Blur32 on bitmaps at least two pixels wide
};

/// The plain kernels.
const GeometricKernels& scalar_geometric_kernels();

#if defined(LUMARIX_X86)
const GeometricKernels& sse2_geometric_kernels();
/// Only when simd::use_avx2().
const GeometricKernels& avx2_geometric_kernels();
#endif
#if defined(LUMARIX_NEON)
const GeometricKernels& neon_geometric_kernels();
#endif

/// The table of the active SIMD level (simd/cpu.h); all tables give the same bytes.
const GeometricKernels& best_geometric_kernels();

}  // namespace lumarix::filters
