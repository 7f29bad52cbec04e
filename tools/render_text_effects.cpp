// Renders the README's strip of text effects: each StdTextOut effect, supersampled on the left
// and drawn with the surface's own text output (StdTextOutFast) on the right.
//
//   render_text_effects out.bmp     then: convert out.bmp docs/text-effects.png
#include <lumarix/Lumarix.h>
#include <lumarix/Lumarixetcs.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    using namespace lumarix;
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s out.bmp\n", argv[0]);
        return 2;
    }
    const char* const labels[7] = {"0 plain", "1 outline", "2 shadow", "3 jitter across", "4 jitter down",
                                   "5 jitter both ways", "6 offset copy"};
    const int32_t rowHeight = 40, width = 640, height = 7 * rowHeight + 8;

    TLumarix strip;
    strip.SetSize(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            strip.PutRGB(x, y, uint8_t(200 + 40 * x / width), uint8_t(215 + 30 * y / height), 235);

    TFont font;
    font.Name = "DejaVu Sans";
    font.Size = 18;
    font.Style = fsBold;
    font.Color = 0x2060E0;  // orange
    const TColor effectColor = 0x402010;  // dark blue
    for (int32_t effect = 0; effect < 7; ++effect) {
        const int32_t y = 6 + effect * rowHeight;
        StdTextOut(effect, 12, y, labels[effect], font, effectColor, strip);
        StdTextOutFast(effect, width / 2 + 12, y, labels[effect], font, effectColor, strip.Canvas());
    }
    strip.SaveToFile(argv[1]);
    return 0;
}
