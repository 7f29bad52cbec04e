// The frame every blit shares: clip the rectangle, then walk it row by row, fetching each row's
// address once and handing the row to a kernel.
//
// Clipping is SetXYWHAuto against the destination's size, followed by the limits of memory:
// the library never reads or writes outside a bitmap, whatever the caller passes. After
// SetXYWHAuto the rectangle is further cut to
//   - the source bitmap (its rows, and as many 4-byte pixels as its rows hold); the parts of the
//     target whose source pixels lie outside the source are left unchanged, the corners moving
//     together as SetXYWHAuto moves them;
//   - the pixels a destination row really holds (a destination that is not 32-bit has fewer);
//   - for the transitions, the map's rows and the bytes of its rows, the map being laid over the
//     destination; target pixels without a map byte are left unchanged.
// A rectangle that keeps no pixel (including a width or height of 0 or less after clipping)
// draws nothing. For every rectangle inside the contract none of these cuts changes anything.
#pragma once

#include <lumarix/Lumarix.h>

#include <algorithm>
#include <cstdint>

namespace lumarix::blits {

struct BlitRect {
    int32_t srcX, srcY, width, height, destX, destY;
};

/// Whole 4-byte pixels that each row of the bitmap holds.
inline int64_t pixels_per_row(const TBitmap& b) { return b.RowStride() / 4; }

/// SetXYWHAuto against the destination's size.
inline bool clip_to_dest(BlitRect& r, const TBitmap& dest) {
    return SetXYWHAuto(r.srcX, r.srcY, r.width, r.height, r.destX, r.destY, dest.Width(), dest.Height());
}

/// The limits of memory, after clip_to_dest; false when no pixel is left.
inline bool clip_to_memory(BlitRect& r, const TBitmap* src, const TBitmap& dest) {
    int64_t sx = r.srcX, sy = r.srcY, w = r.width, h = r.height, dx = r.destX, dy = r.destY;
    if (w <= 0 || h <= 0) return false;
    if (src) {
        if (sx < 0) w += sx, dx -= sx, sx = 0;
        if (sy < 0) h += sy, dy -= sy, sy = 0;
        w = std::min(w, pixels_per_row(*src) - sx);
        h = std::min(h, int64_t(src->Height()) - sy);
    }
    w = std::min(w, pixels_per_row(dest) - dx);
    h = std::min(h, int64_t(dest.Height()) - dy);
    if (w <= 0 || h <= 0) return false;
    r = {int32_t(sx), int32_t(sy), int32_t(w), int32_t(h), int32_t(dx), int32_t(dy)};
    return true;
}

/// The transition map laid over the destination, after clip_to_memory.
inline bool clip_to_map(BlitRect& r, const TBitmap& map) {
    r.width = int32_t(std::min<int64_t>(r.width, int64_t(map.RowStride()) - r.destX));
    r.height = int32_t(std::min<int64_t>(r.height, int64_t(map.Height()) - r.destY));
    return r.width > 0 && r.height > 0;
}

/// Both clips of a blit with a source.
inline bool clip_blit(BlitRect& r, const TBitmap& src, const TBitmap& dest) {
    return clip_to_dest(r, dest) && clip_to_memory(r, &src, dest);
}

/// fn(destRow, srcRow, width) for each row of a clipped rectangle, top to bottom.
template <class Fn>
void for_each_row(TBitmap& src, TBitmap& dest, const BlitRect& r, Fn&& fn) {
    for (int32_t y = 0; y < r.height; ++y) {
        const uint8_t* s = src.ScanLine(r.srcY + y) + size_t(r.srcX) * 4;
        uint8_t* d = dest.ScanLine(r.destY + y) + size_t(r.destX) * 4;
        fn(d, s, r.width);
    }
}

/// fn(destRow, srcRow, mapRow, width) for each row of a clipped transition.
template <class Fn>
void for_each_row(TBitmap& src, TBitmap& map, TBitmap& dest, const BlitRect& r, Fn&& fn) {
    for (int32_t y = 0; y < r.height; ++y) {
        const uint8_t* s = src.ScanLine(r.srcY + y) + size_t(r.srcX) * 4;
        const uint8_t* m = map.ScanLine(r.destY + y) + size_t(r.destX);
        uint8_t* d = dest.ScanLine(r.destY + y) + size_t(r.destX) * 4;
        fn(d, s, m, r.width);
    }
}

}  // namespace lumarix::blits
