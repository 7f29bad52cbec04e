// The memory of pictures: one allocation per picture buffer, through one function, so that
// large buffers can ask the system for huge pages. A fresh buffer of many megabytes otherwise
// costs one page fault per 4 KiB on its first touch, which on virtual machines takes longer
// than filling the buffer itself. The buffers are ordinary new[] arrays; only the advice differs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace lumarix::detail {

/// Asks for huge pages under the untouched block [p, p + bytes) where it is large enough.
void AdviseHugePages(void* p, size_t bytes);

/// At least one byte; zero-filled when `zeroed`, otherwise uninitialised.
std::unique_ptr<uint8_t[]> AllocatePixels(size_t bytes, bool zeroed);

}  // namespace lumarix::detail
