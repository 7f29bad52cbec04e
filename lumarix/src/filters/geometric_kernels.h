// Internals of the geometric filters, exposed for their tests: the rotation's coefficients and
// row kernel, the row reversal, and the blur's two implementations.
#pragma once

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
    // For the AVX2 kernel: the source rows as one block of `stride` pixels per row, with every
    // source position below 2^31 / 1024 pixels in each direction.
    const uint32_t* base = nullptr;
    int32_t stride = 0;
};
void rotate_row(const RotationRow& job);
void rotate_row_avx2(const RotationRow& job);

// ==== Row reversal (Mirror) =====================================================================

using ReverseKernel = void (*)(uint32_t*, int32_t);
void reverse_row(uint32_t* row, int32_t n);
void reverse_row_sse2(uint32_t* row, int32_t n);
void reverse_row_avx2(uint32_t* row, int32_t n);
void reverse_row_neon(uint32_t* row, int32_t n);
ReverseKernel pick_reverse_row();

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

/// How the blur divides: `automatic` is what Blur32 runs (the vector walk of the active level on
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

/// The vector row walks (blur_simd_kernels.h): windows of at most kBlurMagicLimit pixels,
/// radii.x >= 1; call only at their level. pick_blur_rows() gives the active level's walk, or
/// nullptr where the plain code runs.
using BlurRows = void (*)(uint32_t* const* rows, int32_t width, int32_t height, BlurRadii radii);
void blur_rows_sse2(uint32_t* const* rows, int32_t width, int32_t height, BlurRadii radii);
void blur_rows_avx2(uint32_t* const* rows, int32_t width, int32_t height, BlurRadii radii);
void blur_rows_neon(uint32_t* const* rows, int32_t width, int32_t height, BlurRadii radii);
BlurRows pick_blur_rows();

}  // namespace lumarix::filters
