// Picture buffers on Linux. Blocks of 1 MiB and more get memory pages of their own, a private
// anonymous mapping: from 4 MiB it starts on a 2 MiB boundary and spans whole 2 MiB units,
// advised to use transparent huge pages (honoured where the system enables them "always" or on
// "madvise"; a refusal changes nothing). Aligned ends matter: a partial unit at either end would
// fall back to 4 KiB pages, hundreds of faults. A fresh mapping arrives zero-filled, and mremap
// grows it by moving page tables instead of bytes.
//
// Released mappings are kept for the next pictures, up to kKeptBytes in all (the oldest is
// returned to the system first), so that a program that loads or converts picture after picture
// touches no fresh pages. The heap would not do that for blocks of a few MiB: glibc hands the top
// of its heap back to the system once the free space there passes its trim threshold (twice the
// largest block it has recently mapped and unmapped), so that a load whose file and picture are
// both on the heap gave both back and faulted them in anew, hundreds of faults each time. Smaller
// blocks come from the heap.
#include "graphics/pixel_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>

namespace lumarix::detail {

namespace {

constexpr size_t kHugePage = size_t(2) << 20;
constexpr size_t kMappedFrom = size_t(1) << 20;
constexpr size_t kHugeFrom = 2 * kHugePage;
constexpr size_t kKeptBytes = size_t(64) << 20;
constexpr int kKeptMappings = 8;

constexpr size_t RoundUp(size_t n, size_t unit) { return (n + unit - 1) & ~(unit - 1); }

/// The size of a mapping for `bytes`: whole huge pages for large blocks, whole pages below.
size_t MappedSize(size_t bytes) {
    static const size_t page = size_t(sysconf(_SC_PAGESIZE));
    return RoundUp(bytes, bytes >= kHugeFrom ? kHugePage : page);
}

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

/// The released mappings, oldest first.
class KeptMappings {
public:
    /// The smallest kept mapping of at least `bytes`, its size in `bytes`: whole up to twice the
    /// size asked for (a 24-bit picture in the memory of a 32-bit one can then widen in place
    /// without fresh pages), cut down to it beyond. nullptr when none is large enough.
    void* Take(size_t& bytes) {
        std::lock_guard<std::mutex> lock(m_mutex);
        int best = -1;
        for (int i = 0; i < m_count; ++i)
            if (m_kept[i].bytes >= bytes && (best < 0 || m_kept[i].bytes < m_kept[best].bytes)) best = i;
        if (best < 0) return nullptr;
        const Mapping m = m_kept[best];
        std::copy(m_kept + best + 1, m_kept + m_count, m_kept + best);
        --m_count;
        m_bytes -= m.bytes;
        if (m.bytes > 2 * bytes)  // `bytes` is a MappedSize, so the cut falls on a page boundary
            munmap(static_cast<uint8_t*>(m.p) + bytes, m.bytes - bytes);
        else
            bytes = m.bytes;
        return m.p;
    }

    /// Keeps the mapping, or returns it to the system when it alone exceeds the limit.
    void Give(void* p, size_t bytes) {
        if (bytes > kKeptBytes) {
            munmap(p, bytes);
            return;
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        while (m_count == kKeptMappings || m_bytes + bytes > kKeptBytes) {
            munmap(m_kept[0].p, m_kept[0].bytes);
            m_bytes -= m_kept[0].bytes;
            std::copy(m_kept + 1, m_kept + m_count, m_kept);
            --m_count;
        }
        m_kept[m_count++] = {p, bytes};
        m_bytes += bytes;
    }

private:
    struct Mapping {
        void* p;
        size_t bytes;
    };
    std::mutex m_mutex;
    Mapping m_kept[kKeptMappings] = {};
    int m_count = 0;
    size_t m_bytes = 0;
};

/// Never destroyed: pictures in static objects may be released after it would be.
KeptMappings& Kept() {
    static KeptMappings* kept = new KeptMappings;
    return *kept;
}

}  // namespace

void PixelRelease::operator()(uint8_t* p) const noexcept {
    if (mapped)
        Kept().Give(p, mapped);
    else
        ::operator delete[](p, std::align_val_t(kPixelAlignment));
}

TPixelBuffer AllocatePixels(size_t bytes, bool zeroed) {
    bytes = std::max<size_t>(bytes, 1);
    if (bytes >= kMappedFrom) {
        size_t mapped = MappedSize(bytes);
        if (void* p = Kept().Take(mapped)) {
            if (zeroed) std::memset(p, 0, bytes);
            return TPixelBuffer(static_cast<uint8_t*>(p), PixelRelease{mapped});
        }
        const bool huge = mapped >= kHugeFrom;
        void* p = huge ? MapAligned(mapped, PROT_READ | PROT_WRITE)
                       : mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) p = nullptr;
        if (p) {
            if (huge) madvise(p, mapped, MADV_HUGEPAGE);
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
    if (bytes <= mapped) return true;
    const size_t want = MappedSize(bytes);
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
    if (want >= kHugeFrom) madvise(grown, want, MADV_HUGEPAGE);
    (void)p.release();
    p = TPixelBuffer(static_cast<uint8_t*>(grown), PixelRelease{want});
    return true;
}

}  // namespace lumarix::detail
