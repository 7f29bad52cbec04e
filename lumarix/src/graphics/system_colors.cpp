#include <lumarix/Graphics.h>

namespace lumarix {

TColor ColorToRGB(TColor color) {
    return color < 0 ? TColor(GetSysColor(color & 0xFF)) : color;
}

}  // namespace lumarix
