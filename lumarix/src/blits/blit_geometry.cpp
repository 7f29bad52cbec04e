// The clipping rule shared by every blit, and the empty-bitmap test.
#include <lumarix/Lumarix.h>

#include <cstdint>

namespace lumarix {

namespace {

// The source corner moved by the part cut off at the destination's edge. A corner pushed past
// the 32-bit range stays at its limit: it lies outside every bitmap either way.
int32_t MovedCorner(int32_t corner, int32_t cut) {
    const int64_t moved = int64_t(corner) + cut;
    return moved > INT32_MAX ? INT32_MAX : int32_t(moved);
}

}  // namespace

// Sums are formed in 64 bits so that rectangles near the 32-bit limits clip instead of wrapping;
// for every rectangle whose edges fit in 32 bits the results are those of 32-bit arithmetic.
bool SetXYWHAuto(int32_t& srcX, int32_t& srcY, int32_t& width, int32_t& height, int32_t& destX, int32_t& destY,
                 int32_t destWidth, int32_t destHeight) {
    if (destX < 0 && int64_t(destX) + width <= 0) return false;
    if (destY < 0 && int64_t(destY) + height <= 0) return false;
    if (destX >= destWidth) return false;
    if (destY >= destHeight) return false;

    if (destX < 0) {
        const int32_t d = -destX;
        width -= d;
        srcX = MovedCorner(srcX, d);
        destX = 0;
    }
    if (int64_t(destX) + width < 0 || int64_t(destX) + width > destWidth) width = destWidth - destX;

    if (destY < 0) {
        const int32_t d = -destY;
        height -= d;
        srcY = MovedCorner(srcY, d);
        destY = 0;
    }
    if (int64_t(destY) + height < 0 || int64_t(destY) + height > destHeight) height = destHeight - destY;
    return true;
}

bool SelfCheck(const TBitmap& bitmap) { return bitmap.Width() > 0; }

}  // namespace lumarix
