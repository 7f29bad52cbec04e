// Zooms into the middle of a picture (bilinear and nearest-neighbour) and rotates it, three
// results side by side.
//
//   zoom_rotate in.bmp out.bmp
#include "example_support.h"

#include <lumarix/Lumarixfilters32.h>

int main(int argc, char** argv) {
    using namespace lumarix;
    if (!example::Arguments(argc, argv, 2, "in.bmp out.bmp")) return 2;
    TLumarix picture;
    if (!example::Load(picture, argv[1])) return 1;
    const int32_t w = picture.Width(), h = picture.Height();

    // The middle third of the picture, three times larger: the source rectangle may be fractional.
    TLumarix smooth, blocky, turned;
    for (TLumarix* result : {&smooth, &blocky, &turned}) result->SetSize(w, h);
    Stretch_ZoomIn_BiLinear32(w / 3.0, h / 3.0, w / 3.0, h / 3.0, 0, 0, w, h, picture, smooth);
    Stretch_ZoomIn_Saikin32(w / 3.0, h / 3.0, w / 3.0, h / 3.0, 0, 0, w, h, picture, blocky);

    // 30 degrees clockwise about the centre; the corners the picture does not cover keep the fill.
    turned.FillBMP(40, 40, 48);
    Rotate32A(picture, turned, 30);

    TLumarix strip;
    strip.SetSize(3 * w, h);
    example::Paste(smooth, strip, 0, 0);
    example::Paste(blocky, strip, w, 0);
    example::Paste(turned, strip, 2 * w, 0);
    strip.SaveToFile(argv[2]);
    return 0;
}
