// The random generator's arithmetic, shared by the public draw and the filters that advance the
// generator in several lanes at once.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace lumarix::filters {

inline constexpr uint32_t kLcgMultiplier = 134775813u;  // 0x08088405
inline constexpr uint32_t kLcgIncrement = 1u;

inline constexpr uint32_t lcg_next(uint32_t state) { return state * kLcgMultiplier + kLcgIncrement; }

inline constexpr uint32_t lcg_scale(uint32_t state, uint32_t range) {
    return uint32_t((uint64_t(state) * range) >> 32);
}

/// The affine map state -> a * state + c (mod 2^32) that `steps` draws apply.
struct LcgJump {
    uint32_t a = 1;
    uint32_t c = 0;
    constexpr uint32_t apply(uint32_t state) const { return a * state + c; }
};

/// Composes the single step `steps` times by repeated squaring, so a lane can start `steps`
/// draws ahead of the sequence without walking there.
inline constexpr LcgJump lcg_jump(uint64_t steps) {
    LcgJump result;
    LcgJump power{kLcgMultiplier, kLcgIncrement};
    while (steps != 0) {
        if (steps & 1) result = LcgJump{power.a * result.a, power.a * result.c + power.c};
        power = LcgJump{power.a * power.a, power.a * power.c + power.c};
        steps >>= 1;
    }
    return result;
}

/// The process-wide state word (defined in random.cpp). Every access is one relaxed atomic load
/// or store: threads drawing at the same time do not race, and a thread drawing alone sees
/// exactly the sequence above (concurrent draws may then repeat or skip numbers).
std::atomic<uint32_t>& random_state();

/// Fills out[0..n) with the next n draws over `range` and advances the process-wide state by
/// n: the same values in the same order as n calls of RandomDraw.
void draw_block(uint32_t range, uint32_t* out, size_t n);

}  // namespace lumarix::filters
