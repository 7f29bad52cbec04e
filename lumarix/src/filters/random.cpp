// The process-wide random generator.
#include <lumarix/filters32/random.h>

#include "filters/counter.h"
#include "filters/random_lcg.h"

namespace lumarix {

namespace filters {

uint32_t& random_state() {
    static uint32_t state = 0;
    return state;
}

}  // namespace filters

void Reseed() {
    uint64_t counter = 0;
    filters::random_state() =
        filters::read_performance_counter(counter) ? uint32_t(counter) : filters::tick_count_ms();
}

uint32_t RandomDraw(uint32_t range) {
    uint32_t& state = filters::random_state();
    state = filters::lcg_next(state);
    return filters::lcg_scale(state, range);
}

uint32_t RandomState() { return filters::random_state(); }

void SetRandomState(uint32_t state) { filters::random_state() = state; }

}  // namespace lumarix
