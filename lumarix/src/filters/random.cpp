// The process-wide random generator.
#include <lumarix/filters32/random.h>

#include "filters/counter.h"
#include "filters/random_lcg.h"

namespace lumarix {

namespace filters {

std::atomic<uint32_t>& random_state() {
    static std::atomic<uint32_t> state{0};
    return state;
}

// Eight lanes start one draw apart and each jumps eight draws at a time, so neighbouring draws
// do not wait on each other's multiplication.
void draw_block(uint32_t range, uint32_t* out, size_t n) {
    constexpr size_t kLanes = 8;
    uint32_t state = random_state().load(std::memory_order_relaxed);
    size_t i = 0;
    if (n >= kLanes) {
        const uint32_t start = state;
        uint32_t lane[kLanes];
        uint32_t s = start;
        for (size_t l = 0; l < kLanes; ++l) lane[l] = s = lcg_next(s);
        const LcgJump jump = lcg_jump(kLanes);
        for (; i + kLanes <= n; i += kLanes) {
            for (size_t l = 0; l < kLanes; ++l) {
                out[i + l] = lcg_scale(lane[l], range);
                lane[l] = jump.apply(lane[l]);
            }
        }
        state = lcg_jump(i).apply(start);
    }
    for (; i < n; ++i) {
        state = lcg_next(state);
        out[i] = lcg_scale(state, range);
    }
    random_state().store(state, std::memory_order_relaxed);
}

}  // namespace filters

void Reseed() {
    uint64_t counter = 0;
    filters::random_state().store(
        filters::read_performance_counter(counter) ? uint32_t(counter) : filters::tick_count_ms(),
        std::memory_order_relaxed);
}

uint32_t RandomDraw(uint32_t range) {
    const uint32_t state = filters::lcg_next(filters::random_state().load(std::memory_order_relaxed));
    filters::random_state().store(state, std::memory_order_relaxed);
    return filters::lcg_scale(state, range);
}

uint32_t RandomState() { return filters::random_state().load(std::memory_order_relaxed); }

void SetRandomState(uint32_t state) { filters::random_state().store(state, std::memory_order_relaxed); }

}  // namespace lumarix
