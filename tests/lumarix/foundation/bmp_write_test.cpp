// Writing BMP files: the layout of what is written, and round trips of every format it writes.
#include "lumarix/foundation/foundation_support.h"

#include <lumarix/Lumarix.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

using namespace lumarix;
using namespace foundation;

namespace {

void FillRandom(TBitmap& b, std::mt19937& rng) {
    const size_t row = size_t(b.Width()) * size_t(TBitmap::BitsPerPixel(b.PixelFormat()) / 8);
    for (int32_t y = 0; y < b.Height(); ++y)
        for (size_t i = 0; i < row; ++i) b.ScanLine(y)[i] = uint8_t(rng());
}

uint32_t U32(const std::string& s, size_t at) {
    return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 | uint32_t(uint8_t(s[at + 2])) << 16 |
           uint32_t(uint8_t(s[at + 3])) << 24;
}

std::filesystem::path TempFile(const std::string& name) {
    // Unique per process, so that builds testing side by side do not share files.
    static const unsigned tag = std::random_device{}();
    return std::filesystem::temp_directory_path() / ("foundation_" + std::to_string(tag) + "_" + name);
}

}  // namespace

TEST(BmpWrite, EveryFormatRoundTripsThroughStreamsAndFiles) {
    const TPixelFormat formats[] = {TPixelFormat::pf8bit, TPixelFormat::pf24bit, TPixelFormat::pf32bit};
    const int sizes[][2] = {{1, 1}, {2, 3}, {3, 2}, {13, 5}, {17, 9}, {64, 1}, {1, 40}};
    uint32_t seed = 1;
    for (TPixelFormat format : formats)
        for (const auto& size : sizes) {
            SCOPED_TRACE(testing::Message() << "bpp " << TBitmap::BitsPerPixel(format) << " size " << size[0] << "x"
                                            << size[1] << " seed " << seed);
            std::mt19937 rng(seed++);
            TBitmap b;
            b.SetPixelFormat(format);
            b.SetSize(size[0], size[1]);
            if (format == TPixelFormat::pf8bit) {
                TPalette p;
                for (auto& e : p) e = {uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), 0};
                b.SetPalette(p);
            }
            FillRandom(b, rng);

            std::stringstream s;
            b.SaveToStream(s);
            TBitmap back;
            back.LoadFromStream(s);
            ASSERT_EQ(Snap(back), Snap(b));

            const auto path = TempFile("roundtrip.bmp");
            b.SaveToFile(path.string());
            TBitmap fromFile;
            fromFile.LoadFromFile(path.string());
            std::filesystem::remove(path);
            ASSERT_EQ(Snap(fromFile), Snap(b));
        }
}

TEST(BmpWrite, WritesAnInfoHeaderBottomUpWithZeroPadding) {
    TBitmap b;
    b.SetPixelFormat(TPixelFormat::pf24bit);
    b.SetSize(3, 2);  // 9 bytes of pixels per row, padded to 12
    for (int y = 0; y < 2; ++y)
        for (int i = 0; i < 9; ++i) b.ScanLine(y)[i] = uint8_t(10 * y + i + 1);
    std::stringstream s;
    b.SaveToStream(s);
    const std::string f = s.str();
    ASSERT_EQ(f.size(), 14u + 40u + 24u);
    EXPECT_EQ(f.substr(0, 2), "BM");
    EXPECT_EQ(U32(f, 2), f.size());
    EXPECT_EQ(U32(f, 10), 54u);
    EXPECT_EQ(U32(f, 14), 40u);
    EXPECT_EQ(U32(f, 18), 3u);
    EXPECT_EQ(U32(f, 22), 2u);  // positive height: bottom-up
    EXPECT_EQ(uint8_t(f[28]), 24);
    EXPECT_EQ(U32(f, 30), 0u);  // BI_RGB
    // The first stored row is the bottom row; padding bytes are zero.
    for (int i = 0; i < 9; ++i) EXPECT_EQ(uint8_t(f[54 + i]), 10 + i + 1);
    for (int i = 9; i < 12; ++i) EXPECT_EQ(f[54 + i], 0);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(uint8_t(f[66 + i]), i + 1);

    TBitmap eight;
    eight.SetPixelFormat(TPixelFormat::pf8bit);
    eight.SetSize(5, 1);
    std::stringstream s8;
    eight.SaveToStream(s8);
    const std::string g = s8.str();
    EXPECT_EQ(U32(g, 10), 54u + 1024u);  // a full 256-entry colour table
    EXPECT_EQ(U32(g, 46), 256u);
    EXPECT_EQ(uint8_t(g[28]), 8);
}

TEST(BmpWrite, TheFourthByteOfAThirtyTwoBitPictureSurvives) {
    TLumarix b;
    b.SetSize(4, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            b.PutRGB(x, y, uint8_t(x * 60), uint8_t(y * 80), 7);
            b.ScanLine(y)[4 * x + 3] = uint8_t(x + 10 * y);
        }
    std::stringstream s;
    b.SaveToStream(s);
    TLumarix back;
    back.LoadFromStream(s);
    EXPECT_EQ(Snap(back), Snap(b));
}

TEST(BmpWrite, EmptyOrUnwritableTargetsRaiseAndTouchNothing) {
    const auto path = TempFile("keep.bmp");
    {
        std::ofstream(path) << "keep";
    }
    for (auto size : {std::pair{0, 0}, std::pair{0, 5}, std::pair{5, 0}}) {
        SCOPED_TRACE(testing::Message() << size.first << "x" << size.second);
        TLumarix empty;
        empty.SetSize(size.first, size.second);
        EXPECT_THROW(empty.SaveToFile(path.string()), EInvalidGraphic);
        std::stringstream s;
        EXPECT_THROW(empty.SaveToStream(s), EInvalidGraphic);
        EXPECT_TRUE(s.str().empty());
    }
    std::string text;
    std::ifstream(path) >> text;  // closed again at once: Windows removes no open file
    EXPECT_EQ(text, "keep");
    std::filesystem::remove(path);

    TLumarix b;
    b.SetSize(2, 2);
    EXPECT_THROW(b.SaveToFile("/nonexistent/folder/out.bmp"), EFileError);
    std::stringstream bad;
    bad.setstate(std::ios::badbit);
    EXPECT_THROW(b.SaveToStream(bad), EFileError);
}
