#include <lumarix/Graphics.h>

#include <cmath>

namespace lumarix {

void TFont::Assign(const TFont& source) { *this = source; }

int32_t TFont::PixelHeight() const {
    // MulDiv(size, 96, 72): the point size at 96 dots per inch, rounded half away from zero.
    return int32_t(std::lround(double(Size) * 96.0 / 72.0));
}

}  // namespace lumarix
