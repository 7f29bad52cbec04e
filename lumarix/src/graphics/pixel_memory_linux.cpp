// Picture buffers on Linux. Blocks of 4 MiB and more get memory pages of their own: a private
// anonymous mapping that starts on a 2 MiB boundary and spans whole 2 MiB units, advised to use
// transparent huge pages (honoured where the system enables them "always" or on "madvise"; a
// refusal changes nothing). Aligned ends matter: a partial unit at either end would fall back to
// 4 KiB pages, hundreds of faults. Such a block arrives zero-filled, so it needs no clearing,
// and mremap grows it by moving page tables instead of bytes. Smaller blocks come from the heap.
#include "graphics/pixel_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace lumarix::detail {

namespace {

constexpr size_t kHugePage = size_t(2) << 20;
constexpr size_t kMappedFrom = 2 * kHugePage;

constexpr size_t RoundUp(size_t n, size_t unit) { return (n + unit - 1) & ~(unit - 1); }

/// `bytes` (whole huge pages) of address space starting on a huge-page boundary; nullptr when
/// the system refuses.
void* MapAligned(size_t bytes, int protection) {
    const size_t span = bytes + kHugePage;
    void* raw = mmap(nullptr, span, protection, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const uintptr_t begin = uintptr_t(raw), aligned = RoundUp(begin, kHugePage), end = aligned + bytes;
    if (aligned > begin) munmap(raw, aligned - begin);
    if (begin + span > end) munmap(reinterpret_cast<void*>(end), begin + span - end);
    return reinterpret_cast<void*>(aligned);
}

}  // namespace

void PixelRelease::operator()(uint8_t* p) const noexcept {
    if (mapped)
        munmap(p, mapped);
    else
        ::operator delete[](p, std::align_val_t(kPixelAlignment));
}

void AdviseHugePages(void* p, size_t bytes) {
    if (bytes < kMappedFrom) return;
    const uintptr_t begin = RoundUp(uintptr_t(p), kHugePage);
    const uintptr_t end = (uintptr_t(p) + bytes) & ~(kHugePage - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

TPixelBuffer AllocatePixels(size_t bytes, bool zeroed) {
    bytes = std::max<size_t>(bytes, 1);
    if (bytes >= kMappedFrom) {
        const size_t mapped = RoundUp(bytes, kHugePage);
        if (void* p = MapAligned(mapped, PROT_READ | PROT_WRITE)) {
            madvise(p, mapped, MADV_HUGEPAGE);
            return TPixelBuffer(static_cast<uint8_t*>(p), PixelRelease{mapped});
        }
    }
    TPixelBuffer p(static_cast<uint8_t*>(::operator new[](bytes, std::align_val_t(kPixelAlignment))));
    if (zeroed) std::memset(p.get(), 0, bytes);
    return p;
}

bool GrowPixels(TPixelBuffer& p, size_t bytes) {
    const size_t mapped = p.get_deleter().mapped;
    if (!p || mapped == 0) return false;
    const size_t want = RoundUp(bytes, kHugePage);
    if (want <= mapped) return true;
    void* grown = mremap(p.get(), mapped, want, 0);  // in place, where the addresses after it are free
    if (grown == MAP_FAILED) {
        // Elsewhere, onto a reserved huge-page boundary so that the pages stay huge.
        void* target = MapAligned(want, PROT_NONE);
        if (!target) return false;
        grown = mremap(p.get(), mapped, want, MREMAP_MAYMOVE | MREMAP_FIXED, target);
        if (grown == MAP_FAILED) {
            munmap(target, want);
            return false;
        }
    }
    madvise(grown, want, MADV_HUGEPAGE);
    (void)p.release();
    p = TPixelBuffer(static_cast<uint8_t*>(grown), PixelRelease{want});
    return true;
}

}  // namespace lumarix::detail
