// The rotation's row kernel written over the wrappers of simd/ops.h (instantiated through
// geometric_simd_kernels.h): V::kPixels destination pixels per step, their source offsets
// (y >> 10) * stride + (x >> 10) formed in 32-bit lanes and fetched with one gather (AVX2) or
// lane by lane (SSE2, NEON). The
// positions advance by kPixels steps of (cosK, sinK) per iteration; the tail is the plain row
// kernel from where the vector steps stopped.
#pragma once

#include "filters/geometric_kernels.h"
#include "simd/ops.h"

#include <cstdint>

namespace lumarix::filters::LUMARIX_SIMD_NS {

/// Needs job.base and job.stride (see RotationRow) and a source that is not the destination.
template <class V>
void rotate_row(const RotationRow& job) {
    constexpr int P = V::kPixels;
    auto x = V::add32(V::set32(uint32_t(job.x)), V::mullo32(V::lane_index(), V::set32(uint32_t(job.cosK))));
    auto y = V::add32(V::set32(uint32_t(job.y)), V::mullo32(V::lane_index(), V::set32(uint32_t(job.sinK))));
    const auto stepX = V::set32(uint32_t(P * job.cosK)), stepY = V::set32(uint32_t(P * job.sinK));
    const auto stride = V::set32(uint32_t(job.stride));
    int32_t n = 0;
    for (; n + P <= job.count; n += P) {
        const auto offset = V::add32(V::mullo32(V::template srai32<10>(y), stride), V::template srai32<10>(x));
        V::store(reinterpret_cast<uint8_t*>(job.dst + n), V::gather32(job.base, offset));
        x = V::add32(x, stepX);
        y = V::add32(y, stepY);
    }
    RotationRow tail = job;
    tail.dst += n;
    tail.count -= n;
    tail.x += int64_t(n) * job.cosK;
    tail.y += int64_t(n) * job.sinK;
    filters::rotate_row(tail);
}

}  // namespace lumarix::filters::LUMARIX_SIMD_NS
