// Blends picture A into picture B through a transition map: a grey ramp whose byte under each
// pixel says when that pixel turns. Four frames of the transition, side by side.
//
//   blend_transition a.bmp b.bmp out.bmp
#include "example_support.h"

#include <algorithm>

int main(int argc, char** argv) {
    using namespace lumarix;
    if (!example::Arguments(argc, argv, 3, "a.bmp b.bmp out.bmp")) return 2;
    TLumarix a, b;
    if (!example::Load(a, argv[1]) || !example::Load(b, argv[2])) return 1;
    const int32_t w = std::min(a.Width(), b.Width()), h = std::min(a.Height(), b.Height());

    // The map is an 8-bit bitmap, one byte per pixel: a diagonal ramp from 0 (top left, turns
    // first) to 255 (bottom right, turns last), drawn in grey and converted to 8 bits (the blue
    // bytes become the map).
    TLumarix ramp;
    ramp.SetSize(w, h);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const auto v = uint8_t(255 * (x + y) / std::max(1, w + h - 2));
            ramp.PutRGB(x, y, v, v, v);
        }
    }
    TBitmap map;
    Convert24Ato8(ramp, map);

    const int frames = 4;
    TLumarix strip, frame;
    strip.SetSize(w * frames, h);
    frame.SetSize(w, h);
    for (int i = 0; i < frames; ++i) {
        example::Paste(a, frame, 0, 0);
        // progress 0..256 over the transition; softness 5 blends across a band 32 map steps wide.
        const auto progress = uint16_t(256 * (i + 1) / (frames + 1));
        b.ColorAlphaPicTrans(0, 0, w, h, 0, 0, map, frame, progress, 5);
        example::Paste(frame, strip, i * w, 0);
    }
    strip.SaveToFile(argv[3]);
    return 0;
}
