// Picture buffers on Windows: plain new[] (large pages there need a privilege).
#include "graphics/pixel_memory.h"

#include <algorithm>
#include <cstring>

namespace lumarix::detail {

void AdviseHugePages(void*, size_t) {}

std::unique_ptr<uint8_t[]> AllocatePixels(size_t bytes, bool zeroed) {
    bytes = std::max<size_t>(bytes, 1);
    std::unique_ptr<uint8_t[]> p(new uint8_t[bytes]);
    if (zeroed) std::memset(p.get(), 0, bytes);
    return p;
}

}  // namespace lumarix::detail
