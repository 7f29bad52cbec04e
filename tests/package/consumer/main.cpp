// Uses a few of the library's calls the way an application would, and checks their answers.
#include <lumarix/Lumarix.h>

#include <cstdio>
#include <sstream>

int main() {
    using namespace lumarix;
    TLumarix picture;
    picture.SetSize(20, 10);
    picture.FillBMP(255, 128, 0);
    picture.PutColor(3, 4, 0x00336699);

    std::stringstream file;
    picture.SaveToStream(file);
    TLumarix copy;
    copy.LoadFromStream(file);

    TColor fill = 0, put = 0;
    copy.GetColor(0, 0, fill);
    copy.GetColor(3, 4, put);
    int32_t srcX = 0, srcY = 0, width = 30, height = 5, destX = -10, destY = 2;
    const bool visible = SetXYWHAuto(srcX, srcY, width, height, destX, destY, copy.Width(), copy.Height());

    const bool ok = copy.PixelFormat() == TPixelFormat::pf32bit && copy.Width() == 20 && fill == 0x0080FF &&
                    put == 0x336699 && visible && srcX == 10 && width == 20 && RoundByte(300) == 255;
    std::printf("lumarix consumer: %s\n", ok ? "ok" : "wrong answers");
    return ok ? 0 : 1;
}
