// The random generator's seed sources, one file per platform.
#pragma once

#include <cstdint>

namespace lumarix::filters {

/// Reads the platform's high-resolution performance counter; false when it cannot be read.
bool read_performance_counter(uint64_t& value);

/// Milliseconds since system start (wrapping at 2^32).
uint32_t tick_count_ms();

}  // namespace lumarix::filters
