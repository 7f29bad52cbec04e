// The colour filters' row kernels, written once over the operation wrappers of simd/ops.h and
// instantiated by color_kernels_sse2.cpp, color_kernels_avx2.cpp, color_kernels_avx512.cpp and
// color_kernels_neon.cpp, each in the namespace of its instruction set. Every kernel gives the
// bytes of its plain model (color_kernels.h); the pixels after the last whole step go through the
// model's per-pixel rule.
//
// Luminance: blue and red sit in the even 16-bit halves of a pixel word, green and the fourth
// byte in the odd ones, so two 16-bit multiply-adds give 29 blue + 77 red and 150 green + 0 per
// pixel, whose sum >> 8 (at most 255) is the grey, spread to blue, green and red by shifts.
//
// Posterization: a power-of-two step is a mask; any other step divides in 16-bit lanes through
// the reciprocal ceil(65536 / step), exact for bytes (see Posterize).
#pragma once

#include "filters/color_kernels.h"
#include "simd/ops.h"

namespace lumarix::filters::LUMARIX_SIMD_NS {

template <class V>
void mono_yuv_row(uint32_t* row, int32_t n) {
    const auto lowBytes = V::set16(0x00FF);
    const auto weightsBR = V::set32((77u << 16) | 29u), weightsG = V::set32(150);
    const auto fourth = V::set32(0xFF000000u);
    int32_t i = 0;
    for (; i + V::kPixels <= n; i += V::kPixels) {
        auto* p = reinterpret_cast<uint8_t*>(row + i);
        const auto v = V::load(p);
        const auto br = V::and_(v, lowBytes), ga = V::template srli16<8>(v);
        const auto y = V::template srli32<8>(V::add32(V::madd16(br, weightsBR), V::madd16(ga, weightsG)));
        const auto grey = V::or_(V::or_(y, V::template slli32<8>(y)), V::template slli32<16>(y));
        V::store(p, V::or_(grey, V::and_(v, fourth)));
    }
    for (; i < n; ++i) row[i] = mono_yuv_px(row[i]);
}

template <class V>
void posterize_bytes(uint8_t* bytes, int64_t n, const Posterize& p) {
    if (p.step <= 1) return;
    constexpr int B = V::kBytes;
    int64_t i = 0;
    if (p.mask != 0) {
        const auto mask = V::set8(p.mask);
        for (; i + B <= n; i += B) V::store(bytes + i, V::and_(V::load(bytes + i), mask));
    } else {
        const auto recip = V::set16(p.reciprocal), step = V::set16(p.step);
        for (; i + B <= n; i += B) {
            const auto v = V::load(bytes + i);
            const auto lo = V::mullo(V::mulhi(V::lo8(v), recip), step);
            const auto hi = V::mullo(V::mulhi(V::hi8(v), recip), step);
            V::store(bytes + i, V::pack(lo, hi));
        }
    }
    for (; i < n; ++i) bytes[i] = posterize_byte(bytes[i], p.step);
}

template <class V>
constexpr ColorKernels make_color_kernels() {
    return ColorKernels{
        .mono_yuv = mono_yuv_row<V>,
        .posterize = posterize_bytes<V>,
    };
}

}  // namespace lumarix::filters::LUMARIX_SIMD_NS
