// Blit clipping (SetXYWHAuto), the empty-bitmap test and the processor checks.
#include <lumarix/Lumarix.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>

using namespace lumarix;

namespace {

struct Blit {
    int32_t srcX, srcY, width, height, destX, destY;
    bool operator==(const Blit&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Blit& b) {
    return os << "src(" << b.srcX << "," << b.srcY << ") size " << b.width << "x" << b.height << " dest(" << b.destX
              << "," << b.destY << ")";
}

bool Clip(Blit& b, int32_t destWidth, int32_t destHeight) {
    return SetXYWHAuto(b.srcX, b.srcY, b.width, b.height, b.destX, b.destY, destWidth, destHeight);
}

// The plain model for sizes of at least 1: the cells of [pos, pos + size) that also lie in
// [0, extent), found one by one. Returns false for none; otherwise the first cell and the count.
bool CellsInside(int64_t pos, int64_t size, int64_t extent, int64_t& first, int64_t& count) {
    first = -1;
    count = 0;
    for (int64_t c = pos; c < pos + size; ++c)
        if (c >= 0 && c < extent) {
            if (first < 0) first = c;
            ++count;
        }
    return count > 0;
}

}  // namespace

TEST(SetXYWHAuto, WorkedExamples) {
    // Vertically inside a 100 x 50 destination in each case.
    Blit b{5, 7, 30, 10, -10, 20};
    EXPECT_TRUE(Clip(b, 100, 50));
    EXPECT_EQ(b, (Blit{15, 7, 20, 10, 0, 20}));

    b = {5, 7, 30, 10, 90, 20};
    EXPECT_TRUE(Clip(b, 100, 50));
    EXPECT_EQ(b, (Blit{5, 7, 10, 10, 90, 20}));

    b = {5, 7, 200, 10, -10, 20};
    EXPECT_TRUE(Clip(b, 100, 50));
    EXPECT_EQ(b, (Blit{15, 7, 100, 10, 0, 20}));

    for (Blit none : {Blit{5, 7, 30, 10, -30, 20}, Blit{5, 7, 30, 10, 100, 20}, Blit{5, 7, 30, 10, 20, -10},
                      Blit{5, 7, 30, 10, 20, 50}}) {
        SCOPED_TRACE(testing::Message() << none);
        const Blit before = none;
        EXPECT_FALSE(Clip(none, 100, 50));
        EXPECT_EQ(none, before);
    }

    // The same rules vertically, and both edges at once.
    b = {0, 3, 10, 80, 0, -5};
    EXPECT_TRUE(Clip(b, 100, 50));
    EXPECT_EQ(b, (Blit{0, 8, 10, 50, 0, 0}));

    // Sizes of 0 pass through; a negative width ending left of column 0 is set to the rest.
    b = {1, 2, 0, 0, 3, 4};
    EXPECT_TRUE(Clip(b, 100, 50));
    EXPECT_EQ(b, (Blit{1, 2, 0, 0, 3, 4}));
    b = {0, 0, -20, 5, 10, 4};
    EXPECT_TRUE(Clip(b, 100, 50));
    EXPECT_EQ(b, (Blit{0, 0, 90, 5, 10, 4}));
}

TEST(SetXYWHAuto, MatchesTheCellModelOnEveryRectangleOfSmallDestinations) {
    // Every position and size in a range around destinations up to 9 wide, per axis; the two
    // axes are clipped independently, so random pairs of axis cases cover the combinations.
    std::mt19937 rng(20240601);
    for (int32_t extent = 1; extent <= 9; ++extent)
        for (int32_t pos = -14; pos <= 14; ++pos)
            for (int32_t size = 1; size <= 20; ++size) {
                const int32_t otherExtent = int32_t(1 + rng() % 9);
                const int32_t otherPos = int32_t(rng() % 20) - 10, otherSize = int32_t(1 + rng() % 15);
                for (bool horizontal : {true, false}) {
                    Blit b = horizontal ? Blit{100, 200, size, otherSize, pos, otherPos}
                                        : Blit{100, 200, otherSize, size, otherPos, pos};
                    const int32_t dw = horizontal ? extent : otherExtent, dh = horizontal ? otherExtent : extent;
                    SCOPED_TRACE(testing::Message() << b << " on " << dw << "x" << dh);
                    const Blit before = b;
                    int64_t fx, nx, fy, ny;
                    const bool some = CellsInside(b.destX, b.width, dw, fx, nx) & CellsInside(b.destY, b.height, dh, fy, ny);
                    ASSERT_EQ(Clip(b, dw, dh), some);
                    if (!some) {
                        ASSERT_EQ(b, before);
                        continue;
                    }
                    ASSERT_EQ(b, (Blit{int32_t(before.srcX + fx - before.destX), int32_t(before.srcY + fy - before.destY),
                                       int32_t(nx), int32_t(ny), int32_t(fx), int32_t(fy)}));
                }
            }
}

TEST(SetXYWHAuto, ExtremeValuesStayInsideTheDestination) {
    const int32_t values[] = {INT32_MIN, INT32_MIN + 1, -100000, -1, 0, 1, 7, 100000, INT32_MAX - 1, INT32_MAX};
    for (int32_t pos : values)
        for (int32_t size : values)
            for (int32_t src : values) {
                if (size < 1) continue;
                SCOPED_TRACE(testing::Message() << "pos " << pos << " size " << size << " src " << src);
                Blit b{src, src, size, size, pos, pos};
                if (Clip(b, 64, 32)) {
                    // The source corner moves with the destination corner, held at the 32-bit limit.
                    EXPECT_EQ(b.srcX, std::min<int64_t>(int64_t(src) + b.destX - pos, INT32_MAX));
                    EXPECT_EQ(b.srcY, std::min<int64_t>(int64_t(src) + b.destY - pos, INT32_MAX));
                    EXPECT_GE(b.destX, 0);
                    EXPECT_GE(b.destY, 0);
                    EXPECT_GE(b.width, 1);
                    EXPECT_GE(b.height, 1);
                    EXPECT_LE(int64_t(b.destX) + b.width, 64);
                    EXPECT_LE(int64_t(b.destY) + b.height, 32);
                }
            }
}

TEST(SelfCheck, LooksAtTheWidthOnly) {
    TBitmap b;
    EXPECT_FALSE(SelfCheck(b));
    b.SetSize(0, 50);
    EXPECT_FALSE(SelfCheck(b));
    b.SetSize(50, 0);
    EXPECT_TRUE(SelfCheck(b));
    b.SetPixelFormat(TPixelFormat::pf8bit);
    b.SetSize(1, 1);
    EXPECT_TRUE(SelfCheck(b));
}

TEST(ProcessorChecks, AnswerConsistently) {
    const bool mmx = MMXCheck(), sse2 = SSE2Check();
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(MMXCheck(), mmx);
        EXPECT_EQ(SSE2Check(), sse2);
    }
#if defined(__x86_64__) || defined(_M_X64)
    // Every x86-64 processor has both.
    EXPECT_TRUE(mmx);
    EXPECT_TRUE(sse2);
#endif
}
