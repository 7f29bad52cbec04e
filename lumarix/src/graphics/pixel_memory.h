// The memory of pictures: every picture buffer comes from AllocatePixels and goes back through
// TPixelBuffer's deleter, so that large buffers can be laid out for the processor's big pages
// and grown without copying. A fresh buffer of many megabytes otherwise costs one page fault per
// 4 KiB on its first touch, which on virtual machines takes longer than filling the buffer.
//
// Every buffer starts on a 64-byte boundary, so rows whose stride is a multiple of 64 bytes are
// all cache-line aligned.
#pragma once

#include <lumarix/Graphics.h>

#include <cstddef>
#include <cstdint>

namespace lumarix::detail {

/// Alignment of every picture buffer.
inline constexpr size_t kPixelAlignment = 64;

/// At least one byte; zero-filled when `zeroed`, otherwise uninitialised.
TPixelBuffer AllocatePixels(size_t bytes, bool zeroed);

/// Makes `p` hold at least `bytes`, keeping its contents (the buffer may move). False, with `p`
/// unchanged, where that would need a copy: the caller then allocates anew.
bool GrowPixels(TPixelBuffer& p, size_t bytes);

}  // namespace lumarix::detail
