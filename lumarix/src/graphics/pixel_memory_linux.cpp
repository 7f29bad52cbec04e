// Picture buffers on Linux: blocks of 4 MiB and more are advised to use transparent huge pages
// (honoured where the system enables them "always" or on "madvise"; a refusal changes nothing).
#include "graphics/pixel_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace lumarix::detail {

namespace {

constexpr size_t kHugePage = size_t(2) << 20;

}  // namespace

void AdviseHugePages(void* p, size_t bytes) {
    if (bytes < 2 * kHugePage) return;
    const uintptr_t begin = (uintptr_t(p) + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = (uintptr_t(p) + bytes) & ~(kHugePage - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

std::unique_ptr<uint8_t[]> AllocatePixels(size_t bytes, bool zeroed) {
    bytes = std::max<size_t>(bytes, 1);
    std::unique_ptr<uint8_t[]> p(new uint8_t[bytes]);
    AdviseHugePages(p.get(), bytes);
    if (zeroed) std::memset(p.get(), 0, bytes);
    return p;
}

}  // namespace lumarix::detail
