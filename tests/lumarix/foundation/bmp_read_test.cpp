// Reading the good BMP corpus: every header, depth and compression, compared pixel by pixel
// with the pictures the corpus script drew.
#include "lumarix/foundation/foundation_support.h"

#include <lumarix/Lumarix.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>

using namespace lumarix;
using namespace foundation;

namespace {

std::string ReadBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

// A bit-field value of `bits` bits widened to 8 bits with rounding, as the reader does.
int Widen(int v, int bits) { return bits >= 8 ? v : (v * 255 + ((1 << bits) - 1) / 2) / ((1 << bits) - 1); }

// The top `bits` bits of an 8-bit channel, widened back: what a `bits`-bit field file decodes to.
int ThroughField(int value, int bits) { return Widen(value >> (8 - bits), bits); }

void ExpectIndexed(const TBitmap& b, const std::function<int(int, int)>& index,
                   const std::function<Rgb(int)>& colour, int colours) {
    ASSERT_EQ(b.PixelFormat(), TPixelFormat::pf8bit);
    ASSERT_EQ(b.Width(), kW);
    ASSERT_EQ(b.Height(), kH);
    for (int i = 0; i < colours; ++i) {
        const Rgb c = colour(i);
        EXPECT_EQ(b.Palette()[size_t(i)], (TPaletteEntry{uint8_t(c.b), uint8_t(c.g), uint8_t(c.r), 0})) << "entry " << i;
    }
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) ASSERT_EQ(b.ScanLine(y)[x], index(x, y)) << "pixel " << x << "," << y;
}

// Compares every pixel of a 24- or 32-bit bitmap with expected bytes blue, green, red (, fourth).
void ExpectTrueColour(const TBitmap& b, TPixelFormat format, const std::function<std::array<int, 4>(int, int)>& px,
                      int tolerance = 0) {
    ASSERT_EQ(b.PixelFormat(), format);
    ASSERT_EQ(b.Width(), kW);
    ASSERT_EQ(b.Height(), kH);
    const int bpp = format == TPixelFormat::pf32bit ? 4 : 3;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const std::array<int, 4> want = px(x, y);
            const uint8_t* p = b.ScanLine(y) + bpp * x;
            for (int c = 0; c < bpp; ++c)
                ASSERT_LE(std::abs(p[c] - want[size_t(c)]), tolerance)
                    << "pixel " << x << "," << y << " byte " << c << ": " << int(p[c]) << " vs " << want[size_t(c)];
        }
}

}  // namespace

TEST(BmpRead, PalettizedFilesLoadAsEightBitWithTheirColourTable) {
    struct Case {
        const char* file;
        std::function<int(int, int)> index;
        std::function<Rgb(int)> colour;
        int colours;
    };
    const Case cases[] = {
        {"pal1.bmp", Index1, Palette1, 2},
        {"pal1_core.bmp", Index1, Palette1, 2},
        {"pal4.bmp", Index4, Palette4, 16},
        {"pal4_core.bmp", Index4, Palette4, 16},
        {"pal8.bmp", Index8, Palette8, 256},
        {"pal8_topdown.bmp", Index8, Palette8, 256},
        {"pal8_core.bmp", Index8, Palette8, 256},
        {"pal8_v5.bmp", Index8, Palette8, 256},
        {"pal8_short_palette.bmp", [](int x, int y) { return Index8(x, y) % 100; }, Palette8, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TBitmap b;
        b.LoadFromFile(BmpPath("good", c.file));
        ExpectIndexed(b, c.index, c.colour, c.colours);
        // Entries past a short colour table are black.
        for (int i = c.colours; i < 256; ++i) ASSERT_EQ(b.Palette()[size_t(i)], TPaletteEntry{}) << "entry " << i;
    }
}

TEST(BmpRead, RunLengthFilesHonourRunsAbsoluteRunsDeltasAndEndMarks) {
    // Pixels that a delta or end-of-line skips stay at index 0; runs past the edge are cut.
    const uint8_t rle8[6][10] = {
        {0x07, 0x08, 0x09, 0x0A, 0, 0, 0, 0, 0, 0},
        {0, 0, 0, 0x66, 0x66, 0, 0, 0, 0, 0},
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55},
        {1, 2, 3, 4, 5, 0, 0, 0x40, 0x40, 0x40},
        {0x11, 0x11, 0x11, 0x11, 0x21, 0x22, 0x23, 0x30, 0x30, 0x30},
    };
    const uint8_t rle4[4][9] = {
        {9, 0, 0, 0, 0, 0, 0, 0, 0},
        {6, 7, 6, 7, 6, 7, 6, 7, 6},
        {1, 2, 3, 4, 5, 0, 0, 0xE, 0xF},
        {1, 2, 1, 2, 1, 0xA, 0xB, 0xC, 0xD},
    };
    {
        TBitmap b;
        b.LoadFromFile(BmpPath("good", "pal8_rle8.bmp"));
        ASSERT_EQ(b.PixelFormat(), TPixelFormat::pf8bit);
        ASSERT_EQ(b.Width(), 10);
        ASSERT_EQ(b.Height(), 6);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 10; ++x) EXPECT_EQ(b.ScanLine(y)[x], rle8[y][x]) << "RLE8 pixel " << x << "," << y;
        EXPECT_EQ(b.Palette()[200], (TPaletteEntry{uint8_t(200 * 3 % 256), 55, 200, 0}));
    }
    {
        TBitmap b;
        b.LoadFromFile(BmpPath("good", "pal4_rle4.bmp"));
        ASSERT_EQ(b.PixelFormat(), TPixelFormat::pf8bit);
        ASSERT_EQ(b.Width(), 9);
        ASSERT_EQ(b.Height(), 4);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 9; ++x) EXPECT_EQ(b.ScanLine(y)[x], rle4[y][x]) << "RLE4 pixel " << x << "," << y;
    }
    {
        // ImageMagick's RLE8 encoder orders its palette as it likes: compare colours.
        TBitmap b;
        b.LoadFromFile(BmpPath("good", "im_rle8.bmp"));
        ASSERT_EQ(b.PixelFormat(), TPixelFormat::pf8bit);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const TPaletteEntry e = b.Palette()[b.ScanLine(y)[x]];
                const Rgb want = Palette8(Index8(x, y));
                ASSERT_EQ(e, (TPaletteEntry{uint8_t(want.b), uint8_t(want.g), uint8_t(want.r), 0}))
                    << "pixel " << x << "," << y;
            }
    }
}

TEST(BmpRead, SixteenBitFilesWidenTheirFields) {
    struct Case {
        const char* file;
        int redBits, greenBits, blueBits, alphaBits;
    };
    const Case cases[] = {
        {"rgb16_555.bmp", 5, 5, 5, 0},
        {"rgb16_565_bitfields.bmp", 5, 6, 5, 0},
        {"rgb16_565_52.bmp", 5, 6, 5, 0},
        {"rgb16_1555_alphabitfields.bmp", 5, 5, 5, 1},
        {"rgb16_4444_v5.bmp", 4, 4, 4, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TBitmap b;
        b.LoadFromFile(BmpPath("good", c.file));
        // With an alpha mask the picture keeps it in the fourth byte.
        ExpectTrueColour(b, c.alphaBits ? TPixelFormat::pf32bit : TPixelFormat::pf24bit, [&](int x, int y) {
            const Rgb v = PictureRgb(x, y);
            return std::array<int, 4>{ThroughField(v.b, c.blueBits), ThroughField(v.g, c.greenBits),
                                      ThroughField(v.r, c.redBits),
                                      c.alphaBits ? ThroughField(PictureAlpha(x, y), c.alphaBits) : 0};
        });
    }
    // Worked by hand: pixel (12, 4) is red 252, green 212, blue 216; as 5-6-5 fields 31, 53, 27.
    TBitmap b;
    b.LoadFromFile(BmpPath("good", "rgb16_565_bitfields.bmp"));
    const uint8_t* p = b.ScanLine(4) + 3 * 12;
    EXPECT_EQ(p[0], 222);
    EXPECT_EQ(p[1], 215);
    EXPECT_EQ(p[2], 255);
}

TEST(BmpRead, TrueColourFilesKeepTheirBytes) {
    const auto rgb24 = [](int x, int y) {
        const Rgb v = PictureRgb(x, y);
        return std::array<int, 4>{v.b, v.g, v.r, 0};
    };
    const auto rgba = [](int x, int y) {
        const Rgb v = PictureRgb(x, y);
        return std::array<int, 4>{v.b, v.g, v.r, PictureAlpha(x, y)};
    };
    const auto rgb0 = [](int x, int y) {
        const Rgb v = PictureRgb(x, y);
        return std::array<int, 4>{v.b, v.g, v.r, 0};
    };
    // 2-10-10-10: each 10-bit field keeps its top 8 bits, the 2-bit alpha is widened.
    const auto rgb2101010 = [](int x, int y) {
        const Rgb v = PictureRgb(x, y);
        return std::array<int, 4>{v.b, v.g, v.r, ThroughField(PictureAlpha(x, y), 2)};
    };
    struct Case {
        const char* file;
        TPixelFormat format;
        std::function<std::array<int, 4>(int, int)> px;
    };
    const Case cases[] = {
        {"rgb24.bmp", TPixelFormat::pf24bit, rgb24},
        {"rgb24_topdown.bmp", TPixelFormat::pf24bit, rgb24},
        {"rgb24_core.bmp", TPixelFormat::pf24bit, rgb24},
        {"rgb24_v4.bmp", TPixelFormat::pf24bit, rgb24},
        {"im_rgb24.bmp", TPixelFormat::pf24bit, rgb24},
        {"rgb32.bmp", TPixelFormat::pf32bit, rgba},  // plain 32-bit keeps its fourth byte
        {"rgb32_topdown.bmp", TPixelFormat::pf32bit, rgba},
        {"rgb32_bgr_52.bmp", TPixelFormat::pf32bit, rgb0},  // no alpha mask: fourth byte 0
        {"rgb32_alpha_56.bmp", TPixelFormat::pf32bit, rgba},
        {"rgb32_alpha_v4.bmp", TPixelFormat::pf32bit, rgba},
        {"rgb32_alpha_v5_topdown.bmp", TPixelFormat::pf32bit, rgba},
        {"rgb32_2101010_v5.bmp", TPixelFormat::pf32bit, rgb2101010},
        {"im_rgba32.bmp", TPixelFormat::pf32bit, rgba},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TBitmap b;
        b.LoadFromFile(BmpPath("good", c.file));
        ExpectTrueColour(b, c.format, c.px);
    }
    // ImageMagick quantizes to 5-6-5 its own way: allow one step of the coarsest field.
    TBitmap b;
    b.LoadFromFile(BmpPath("good", "im_rgb565.bmp"));
    ExpectTrueColour(b, TPixelFormat::pf24bit, rgb24, 8);
}

TEST(BmpRead, StreamsAreReadFromTheirPositionAndLeftAfterThePicture) {
    const std::string a = ReadBytes(BmpPath("good", "rgb24.bmp"));
    const std::string b = ReadBytes(BmpPath("good", "pal4_rle4.bmp"));
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    std::stringstream s("prefix" + a + b + "tail");
    s.seekg(6);
    TBitmap first, second;
    first.LoadFromStream(s);
    EXPECT_EQ(first.Width(), kW);
    EXPECT_EQ(first.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(s.tellg(), std::streampos(6 + a.size()));
    second.LoadFromStream(s);
    EXPECT_EQ(second.Width(), 9);
    EXPECT_EQ(second.PixelFormat(), TPixelFormat::pf8bit);
    std::string rest;
    s >> rest;
    EXPECT_EQ(rest, "tail");
}

// A stream that hands out its bytes in small uneven pieces and cannot seek.
class TrickleBuf : public std::streambuf {
public:
    explicit TrickleBuf(std::string bytes) : m_bytes(std::move(bytes)) {}

protected:
    int_type underflow() override {
        if (m_at == m_bytes.size()) return traits_type::eof();
        const size_t n = std::min<size_t>(777 + m_at % 5000, m_bytes.size() - m_at);
        setg(m_bytes.data() + m_at, m_bytes.data() + m_at, m_bytes.data() + m_at + n);
        m_at += n;
        return traits_type::to_int_type(*gptr());
    }

private:
    std::string m_bytes;
    size_t m_at = 0;
};

// Pictures of more than a MiB come through memory that earlier pictures released: loaded again
// and again, from seekable and unseekable streams, they keep their bytes and zero row padding.
TEST(BmpRead, LargePicturesLoadTheSameFromAnyStreamIntoReusedMemory) {
    for (const TPixelFormat format : {TPixelFormat::pf24bit, TPixelFormat::pf32bit}) {
        TBitmap source;
        source.SetPixelFormat(format);
        source.SetSize(701, 613);  // 24-bit rows of 2103 bytes: one byte of padding
        const size_t rowBytes = size_t(source.Width()) * (format == TPixelFormat::pf24bit ? 3 : 4);
        for (int32_t y = 0; y < source.Height(); ++y)
            for (size_t i = 0; i < rowBytes; ++i) source.ScanLine(y)[i] = uint8_t(i * 7 + size_t(y) * 13);
        std::ostringstream file;
        source.SaveToStream(file);
        for (int round = 0; round < 3; ++round) {
            SCOPED_TRACE(round);
            {  // Leaves dirty memory of the picture's size for the next load to reuse.
                TBitmap dirty;
                dirty.SetPixelFormat(format);
                dirty.SetSize(source.Width(), source.Height());
                std::memset(dirty.ScanLine(0), 0xA5, size_t(dirty.RowStride()) * size_t(dirty.Height()));
            }
            std::istringstream seekable(file.str());
            TrickleBuf trickle(file.str());
            std::istream unseekable(&trickle);
            for (std::istream* in : {static_cast<std::istream*>(&seekable), &unseekable}) {
                TBitmap b;
                b.LoadFromStream(*in);
                ASSERT_EQ(b.PixelFormat(), format);
                ASSERT_EQ(b.RowStride(), source.RowStride());
                for (int32_t y = 0; y < b.Height(); ++y) {
                    ASSERT_EQ(std::memcmp(b.ScanLine(y), source.ScanLine(y), rowBytes), 0) << "row " << y;
                    for (size_t i = rowBytes; i < size_t(b.RowStride()); ++i) ASSERT_EQ(b.ScanLine(y)[i], 0) << "row " << y;
                }
            }
        }
    }
}

TEST(BmpRead, FilesThatCannotBeOpenedRaiseFileErrorAndLeaveTheBitmap) {
    TLumarix b;
    b.SetSize(3, 2);
    b.FillBMP(1, 2, 3);
    const Snapshot before = Snap(b);
    for (const std::string& path : {BmpPath("good", "no_such_file.bmp"), BmpPath("good", "")}) {
        SCOPED_TRACE(path);
        EXPECT_THROW(b.LoadFromFile(path), EFileError);
        EXPECT_EQ(Snap(b), before);
    }
    try {
        b.LoadFromFile("/nonexistent/picture.bmp");
        FAIL() << "no error";
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent/picture.bmp"), std::string::npos) << e.what();
    }
}
