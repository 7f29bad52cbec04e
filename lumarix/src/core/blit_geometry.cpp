// The clipping rule shared by every blit, and the empty-bitmap test.
#include <lumarix/Lumarix.h>

namespace lumarix {

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
        srcX += d;
        destX = 0;
    }
    if (int64_t(destX) + width < 0 || int64_t(destX) + width > destWidth) width = destWidth - destX;

    if (destY < 0) {
        const int32_t d = -destY;
        height -= d;
        srcY += d;
        destY = 0;
    }
    if (int64_t(destY) + height < 0 || int64_t(destY) + height > destHeight) height = destHeight - destY;
    return true;
}

bool SelfCheck(const TBitmap& bitmap) { return bitmap.Width() > 0; }

}  // namespace lumarix
