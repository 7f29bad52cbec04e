// System colours where the platform has none: the classic Windows default scheme.
#include <lumarix/Graphics.h>

#include <array>

namespace lumarix {

namespace {

constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }

constexpr std::array<uint32_t, 31> kClassicScheme = {
    Rgb(212, 208, 200),  // COLOR_SCROLLBAR
    Rgb(58, 110, 165),   // COLOR_BACKGROUND
    Rgb(10, 36, 106),    // COLOR_ACTIVECAPTION
    Rgb(128, 128, 128),  // COLOR_INACTIVECAPTION
    Rgb(212, 208, 200),  // COLOR_MENU
    Rgb(255, 255, 255),  // COLOR_WINDOW
    Rgb(0, 0, 0),        // COLOR_WINDOWFRAME
    Rgb(0, 0, 0),        // COLOR_MENUTEXT
    Rgb(0, 0, 0),        // COLOR_WINDOWTEXT
    Rgb(255, 255, 255),  // COLOR_CAPTIONTEXT
    Rgb(212, 208, 200),  // COLOR_ACTIVEBORDER
    Rgb(212, 208, 200),  // COLOR_INACTIVEBORDER
    Rgb(128, 128, 128),  // COLOR_APPWORKSPACE
    Rgb(10, 36, 106),    // COLOR_HIGHLIGHT
    Rgb(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    Rgb(212, 208, 200),  // COLOR_BTNFACE
    Rgb(128, 128, 128),  // COLOR_BTNSHADOW
    Rgb(128, 128, 128),  // COLOR_GRAYTEXT
    Rgb(0, 0, 0),        // COLOR_BTNTEXT
    Rgb(212, 208, 200),  // COLOR_INACTIVECAPTIONTEXT
    Rgb(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    Rgb(64, 64, 64),     // COLOR_3DDKSHADOW
    Rgb(212, 208, 200),  // COLOR_3DLIGHT
    Rgb(0, 0, 0),        // COLOR_INFOTEXT
    Rgb(255, 255, 225),  // COLOR_INFOBK
    0,                   // (no colour 25)
    Rgb(0, 0, 128),      // COLOR_HOTLIGHT
    Rgb(166, 202, 240),  // COLOR_GRADIENTACTIVECAPTION
    Rgb(192, 192, 192),  // COLOR_GRADIENTINACTIVECAPTION
    Rgb(10, 36, 106),    // COLOR_MENUHILIGHT
    Rgb(212, 208, 200),  // COLOR_MENUBAR
};

}  // namespace

uint32_t GetSysColor(int32_t index) {
    if (index < 0 || size_t(index) >= kClassicScheme.size()) return 0;
    return kClassicScheme[size_t(index)];
}

}  // namespace lumarix
