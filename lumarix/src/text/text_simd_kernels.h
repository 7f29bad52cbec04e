// The text row kernels of text_kernels.h, written once over the wrappers of simd/ops.h and
// instantiated by text_kernels_sse2.cpp, text_kernels_avx2.cpp and text_kernels_neon.cpp, each
// in the namespace of its instruction set. Every kernel gives exactly the bytes of its scalar
// model (text_kernels.h, px::); the last pixels of a row, fewer than one step, go through it.
//
// Pixels are widened to 16-bit lanes, where no sum exceeds 0xFFFF: d * (256 - c) + colour * c
// is at most 255 * 256, and d * (255 - c) + colour * c + 127 at most 65152, whose division by
// 255 is exactly the high half of its product with 0x8081, shifted right by 7.
#pragma once

#include "simd/ops.h"
#include "text/text_kernels.h"

#include <cstring>
#include <type_traits>

namespace lumarix::text::LUMARIX_SIMD_NS {

using simd::LUMARIX_SIMD_NS::V128;

/// The 2x2 reduction, sixteen destination pixels per step. It stays on 128-bit registers in
/// every build: adding the byte pairs within 16-bit lanes keeps the pixels in order, which the
/// half-wise pack of 256-bit registers would not.
inline void reduce_row(const uint8_t* upper, const uint8_t* lower, uint8_t* out, int32_t n) {
    using V = V128;
    const auto low = V::set16(0xFF), three = V::set16(3);
    auto pairs = [&](const uint8_t* p) {
        const auto v = V::load(p);
        return V::add16(V::and_(v, low), V::srli16<8>(v));
    };
    auto block = [&](int32_t i) {
        const auto sum = V::add16(pairs(upper + 2 * i), pairs(lower + 2 * i));
        return V::srli16<2>(V::add16(sum, three));
    };
    int32_t i = 0;
    for (; i + 16 <= n; i += 16) V::store(out + i, V::pack(block(i), block(i + 8)));
    for (; i < n; ++i) out[i] = px::reduce(upper, lower, i);
}

/// The walk of the per-pixel kernels: whole steps of V::kPixels through body(d, coverage), the
/// rest through the scalar pixel. Every kernel leaves paper (coverage 0) alone, so a step of
/// paper only, most of a line of text, is skipped without touching the destination.
template <class V, class Body>
inline void coverage_row(const uint8_t* coverage, uint8_t* dest, int32_t n, uint32_t colour, Body body,
                        void (*pixel)(uint8_t*, unsigned, uint32_t)) {
    using Step = std::conditional_t<V::kPixels == 8, uint64_t, uint32_t>;
    static_assert(sizeof(Step) == V::kPixels);
    int32_t i = 0;
    for (; i + V::kPixels <= n; i += V::kPixels) {
        Step ink;
        std::memcpy(&ink, coverage + i, sizeof ink);
        if (ink != 0) V::store(dest + 4 * i, body(V::load(dest + 4 * i), V::map_px(coverage + i)));
    }
    for (; i < n; ++i) pixel(dest + 4 * i, coverage[i], colour);
}

template <class V>
void super_blend_row(const uint8_t* coverage, uint8_t* dest, int32_t n, uint32_t colour) {
    const auto colour16 = V::lo8(V::set32(colour)), full = V::set16(256), fourth = V::set32(0xFF000000u);
    auto half = [&](typename V::R d16, typename V::R c16) {
        return V::template srli16<8>(V::add16(V::mullo(d16, V::sub16(full, c16)), V::mullo(colour16, c16)));
    };
    coverage_row<V>(coverage, dest, n, colour, [&](auto d, auto c) {
        const auto mixed = V::pack(half(V::lo8(d), V::px_lo16(c)), half(V::hi8(d), V::px_hi16(c)));
        return V::select(fourth, d, mixed);
    }, px::super_blend);
}

template <class V>
void coverage_blend_row(const uint8_t* coverage, uint8_t* dest, int32_t n, uint32_t colour) {
    const auto colour16 = V::lo8(V::set32(colour)), ink = V::set16(255), bias = V::set16(127);
    const auto reciprocal = V::set16(0x8081), fourth = V::set32(0xFF000000u);
    auto half = [&](typename V::R d16, typename V::R c16) {
        const auto sum = V::add16(V::add16(V::mullo(d16, V::sub16(ink, c16)), V::mullo(colour16, c16)), bias);
        return V::template srli16<7>(V::mulhi(sum, reciprocal));
    };
    coverage_row<V>(coverage, dest, n, colour, [&](auto d, auto c) {
        const auto mixed = V::pack(half(V::lo8(d), V::px_lo16(c)), half(V::hi8(d), V::px_hi16(c)));
        return V::select(fourth, d, mixed);
    }, px::coverage_blend);
}

template <class V>
void layer_row(const uint8_t* coverage, uint8_t* dest, int32_t n, uint32_t colour) {
    const auto colour32 = V::set32(colour), ink = V::set32(255), zero = V::zero();
    coverage_row<V>(coverage, dest, n, colour, [&](auto d, auto c) {
        // 255 - c fits the low 16-bit lane of each pixel; the high lane stays 0.
        const auto written = V::or_(colour32, V::template slli32<24>(V::sub16(ink, c)));
        return V::select(V::cmpeq32(c, zero), d, written);
    }, px::layer);
}

template <class V>
void fast_layer_row(const uint8_t* coverage, uint8_t* dest, int32_t n, uint32_t colour) {
    const auto colour32 = V::set32(colour), zero = V::zero();
    coverage_row<V>(coverage, dest, n, colour, [&](auto d, auto c) { return V::select(V::cmpeq32(c, zero), d, colour32); },
                   px::fast_layer);
}

template <class V>
constexpr TextKernels make_text_kernels() {
    return TextKernels{reduce_row, super_blend_row<V>, layer_row<V>, fast_layer_row<V>, coverage_blend_row<V>};
}

}  // namespace lumarix::text::LUMARIX_SIMD_NS
