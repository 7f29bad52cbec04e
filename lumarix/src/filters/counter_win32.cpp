// Seed sources on Windows: QueryPerformanceCounter, and GetTickCount when it fails.
#include "filters/counter.h"

#include <windows.h>

namespace lumarix::filters {

bool read_performance_counter(uint64_t& value) {
    LARGE_INTEGER counter;
    if (!QueryPerformanceCounter(&counter)) return false;
    value = uint64_t(counter.QuadPart);
    return true;
}

uint32_t tick_count_ms() { return uint32_t(GetTickCount()); }

}  // namespace lumarix::filters
