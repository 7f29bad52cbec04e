// Seed sources on POSIX systems: the monotonic clock in nanoseconds stands in for the
// performance counter, the boot-time clock in milliseconds for the tick count.
#include "filters/counter.h"

#include <time.h>

namespace lumarix::filters {

bool read_performance_counter(uint64_t& value) {
    timespec ts{};
    if (clock_gettime(CLOCK_MONOTONIC, &ts) != 0) return false;
    value = uint64_t(ts.tv_sec) * 1000000000u + uint64_t(ts.tv_nsec);
    return true;
}

uint32_t tick_count_ms() {
    timespec ts{};
    if (clock_gettime(CLOCK_BOOTTIME, &ts) != 0 && clock_gettime(CLOCK_REALTIME, &ts) != 0) return 0;
    return uint32_t(uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u);
}

}  // namespace lumarix::filters
