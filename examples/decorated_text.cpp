// Draws anti-aliased text with an outline, a shadow and an offset copy onto a picture, with a
// translucent band behind it.
//
//   decorated_text background.bmp out.bmp
#include "example_support.h"

#include <lumarix/Lumarixetcs.h>

int main(int argc, char** argv) {
    using namespace lumarix;
    if (!example::Arguments(argc, argv, 2, "background.bmp out.bmp")) return 2;
    TLumarix picture;
    if (!example::Load(picture, argv[1])) return 1;

    // A dark band, 3/4 opaque, for the text to stand on. Colours are 0x00BBGGRR.
    picture.RectAngleAlpha(0, 8, picture.Width(), 100, 0x201010, 192);

    TFont font;
    font.Name = "DejaVu Sans";
    font.Size = 16;
    font.Style = fsBold;
    font.Color = 0x40C0FF;  // amber
    StdTextOut(1, 10, 12, "outline", font, 0x000000, picture);
    StdTextOut(2, 10, 44, "shadow", font, 0x000000, picture);
    font.Color = 0xFFFFFF;
    StdTextOut(6, 10, 76, "offset copy", font, 0xC06020, picture);
    picture.SaveToFile(argv[2]);
    return 0;
}
