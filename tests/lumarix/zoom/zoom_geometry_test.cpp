// Clipping of the zoom rectangles and the fixed-point set-up of the zooms.
#include <lumarix/filters32/zoom.h>

#include "zoom/zoom_p.h"
#include "lumarix/zoom/zoom_test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace lumarix;

namespace {

struct Clip {
    double srcX = 0, srcY = 0, srcW = 20, srcH = 20, dstX = 0, dstY = 0;
    int32_t dstW = 40, dstH = 40;
    bool run(int32_t sw = 100, int32_t sh = 100, int32_t dw = 100, int32_t dh = 100) {
        return SetOutXYWHSuper(srcX, srcY, srcW, srcH, dstX, dstY, dstW, dstH, sw, sh, dw, dh);
    }
};

}  // namespace

TEST(ZoomClip, LeftAndTopEdgesMoveTheSourceStartByTheRatio) {
    Clip c;
    c.dstX = -10;
    ASSERT_TRUE(c.run());
    EXPECT_DOUBLE_EQ(c.srcX, 5);
    EXPECT_DOUBLE_EQ(c.srcW, 15);
    EXPECT_EQ(c.dstW, 30);
    EXPECT_DOUBLE_EQ(c.dstX, 0);

    Clip v;
    v.dstY = -10;
    ASSERT_TRUE(v.run());
    EXPECT_DOUBLE_EQ(v.srcY, 5);
    EXPECT_DOUBLE_EQ(v.srcH, 15);
    EXPECT_EQ(v.dstH, 30);
    EXPECT_DOUBLE_EQ(v.dstY, 0);

    Clip f;  // a fractional destination size is truncated
    f.dstW = 10;
    f.dstX = -2.5;
    ASSERT_TRUE(f.run());
    EXPECT_EQ(f.dstW, 7);
}

TEST(ZoomClip, RightAndBottomEdgesShortenBothRectangles) {
    Clip c;
    c.dstX = 80;
    c.dstY = 90;
    ASSERT_TRUE(c.run());
    EXPECT_EQ(c.dstW, 20);
    EXPECT_DOUBLE_EQ(c.srcW, 10);
    EXPECT_EQ(c.dstH, 10);
    EXPECT_DOUBLE_EQ(c.srcH, 5);

    Clip s;  // a source past the source bitmap is shortened to it; the destination is not
    s.srcX = 90.5;
    ASSERT_TRUE(s.run());
    EXPECT_DOUBLE_EQ(s.srcW, 9.5);
    EXPECT_EQ(s.dstW, 40);
}

TEST(ZoomClip, EdgeStartsAndEmptyResults) {
    Clip c;  // a source start on the right edge passes, with nothing left of the source width
    c.srcX = 100;
    ASSERT_TRUE(c.run());
    EXPECT_DOUBLE_EQ(c.srcW, 0);

    Clip a;
    a.dstX = 100;
    EXPECT_FALSE(a.run());
    Clip b;
    b.dstX = -40;
    EXPECT_FALSE(b.run());
    Clip d;
    d.dstY = 100;
    EXPECT_FALSE(d.run());
    Clip e;
    e.srcX = -0.5;
    EXPECT_FALSE(e.run());
    Clip g;
    g.srcY = 100.5;
    EXPECT_FALSE(g.run());
    Clip h;  // the left clip moves the source start past the source bitmap
    h.srcX = 95;
    h.dstX = -20;
    EXPECT_FALSE(h.run());
    Clip z;
    z.dstW = 0;
    EXPECT_FALSE(z.run());
    Clip t;  // truncated to nothing
    t.dstX = -39.5;
    EXPECT_FALSE(t.run());
}

TEST(ZoomClip, NonFiniteValuesAreRefused) {
    const double bad[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity()};
    for (double v : bad)
        for (int field = 0; field < 6; ++field) {
            SCOPED_TRACE(testing::Message() << "field " << field << " value " << v);
            Clip c;
            double* f[] = {&c.srcX, &c.srcY, &c.srcW, &c.srcH, &c.dstX, &c.dstY};
            *f[field] = v;
            EXPECT_FALSE(c.run());
        }
}

TEST(ZoomSetup, StepsComeFromTheRequestAndStartsFromTheClippedRectangle) {
    auto src = zoomtest::make32(100, 100), dst = zoomtest::make32(100, 100);
    zoom::SaikinSetup s;
    // 20 source pixels over 40: step Trunc(20 * 65535 / 40); the left clip of 10 moves srcX to 5.
    ASSERT_TRUE(zoom::setup_saikin({0, 0, 20, 20, -10, 0, 40, 40}, *src, *dst, zoom::SaikinRule::copy, 0, s));
    EXPECT_EQ(s.stepX, 32767u);
    EXPECT_EQ(s.startX, 5u * 65535u);
    EXPECT_EQ(s.f.width, 30);
    ASSERT_TRUE(zoom::setup_saikin({3, 0, 20, 20, 0, 0, 40, 40}, *src, *dst, zoom::SaikinRule::masked, 0, s));
    EXPECT_EQ(s.stepX, 127u);
    EXPECT_EQ(s.startX, 3u * 256u);

    zoom::BilinearSetup b;
    ASSERT_TRUE(zoom::setup_bilinear({2.25, 1.5, 20, 20, 0, 0, 40, 40}, *src, *dst, zoom::BilinearKind::mmx_masked,
                                     0, b));
    EXPECT_EQ(b.baseX, 2);
    EXPECT_EQ(b.startX, uint32_t(0.25 * 65535));
    EXPECT_EQ(b.baseY, 1);
    EXPECT_EQ(b.startY, uint32_t(0.5 * 65535));
}

TEST(ZoomSetup, OutOfRangeRequestsDrawNothing) {
    auto src = zoomtest::make32(100, 100), dst = zoomtest::make32(100, 100);
    auto wide = zoomtest::make32(70000, 1);
    zoom::SaikinSetup s;
    zoom::BilinearSetup b;
    using R = zoom::ZoomRect;
    const R bad[] = {
        {0, 0, 20, 20, 0, 0, 0, 40},     // empty destination: no division by zero, nothing drawn
        {0, 0, 20, 20, 0, 0, 40, -1},
        {0, 0, -20, 20, 0, 0, 40, 40},   // negative source size
        {0, 0, 0, 20, 0, 0, 40, 40},
        {0, 0, 1e12, 20, 0, 0, 40, 40},  // step beyond 32 bits
    };
    for (const R& r : bad) {
        EXPECT_FALSE(zoom::setup_saikin(r, *src, *dst, zoom::SaikinRule::copy, 0, s));
        EXPECT_FALSE(zoom::setup_bilinear(r, *src, *dst, zoom::BilinearKind::mmx, 0, b));
    }
    // A 16-bit-fraction position past 65535 columns would wrap its accumulator.
    EXPECT_FALSE(zoom::setup_saikin({66000, 0, 10, 1, 0, 0, 10, 1}, *wide, *dst, zoom::SaikinRule::copy, 0, s));
    EXPECT_TRUE(zoom::setup_saikin({66000, 0, 10, 1, 0, 0, 10, 1}, *wide, *dst, zoom::SaikinRule::masked, 0, s));
    // Bitmaps that are not 32-bit, or an empty source, are refused.
    auto empty = zoomtest::make32(0, 0);
    EXPECT_FALSE(zoom::setup_saikin({0, 0, 0.5, 0.5, 0, 0, 4, 4}, *empty, *dst, zoom::SaikinRule::copy, 0, s));
    src->SetPixelFormat(TPixelFormat::pf24bit);
    EXPECT_FALSE(zoom::setup_saikin({0, 0, 20, 20, 0, 0, 40, 40}, *src, *dst, zoom::SaikinRule::copy, 0, s));
}
