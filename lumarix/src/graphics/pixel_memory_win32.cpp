// Picture buffers on Windows: aligned blocks of the heap (large pages there need a privilege).
#include "graphics/pixel_memory.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace lumarix::detail {

void PixelRelease::operator()(uint8_t* p) const noexcept {
    ::operator delete[](p, std::align_val_t(kPixelAlignment));
}

TPixelBuffer AllocatePixels(size_t bytes, bool zeroed) {
    bytes = std::max<size_t>(bytes, 1);
    TPixelBuffer p(static_cast<uint8_t*>(::operator new[](bytes, std::align_val_t(kPixelAlignment))));
    if (zeroed) std::memset(p.get(), 0, bytes);
    return p;
}

bool GrowPixels(TPixelBuffer&, size_t) { return false; }

}  // namespace lumarix::detail
