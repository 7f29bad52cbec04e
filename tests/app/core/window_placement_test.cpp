// The rule that brings a window back from a screen that is gone: known desktops, and random
// ones against a pixel-by-pixel count of the title strip on each work area.
#include "core/window_placement.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

namespace marble {
namespace {

constexpr ScreenRect kPrimary{0, 0, 1024, 768};

TEST(WindowPlacement, KnownDesktops) {
    const std::vector<ScreenRect> one{kPrimary};
    // A monitor since unplugged: onto the primary screen, as near the old place as it fits.
    EXPECT_EQ(PlaceOnScreen({100000, 100000, 200, 180}, one, kPrimary), (ScreenPoint{824, 588}));
    EXPECT_EQ(PlaceOnScreen({-5000, 300, 200, 180}, one, kPrimary), (ScreenPoint{0, 300}));
    EXPECT_EQ(PlaceOnScreen({INT32_MAX, INT32_MIN, 200, 180}, one, kPrimary), (ScreenPoint{824, 0}));
    EXPECT_EQ(PlaceOnScreen({INT32_MIN, INT32_MAX, INT32_MAX, INT32_MAX}, one, kPrimary), (ScreenPoint{0, 0}));
    // Positions the user can reach stay exactly as they are, also partly off the screen.
    for (ScreenPoint at : {ScreenPoint{0, 0}, {824, 588}, {-152, 10}, {976, 10}, {300, 760}, {300, -16}})
        EXPECT_EQ(PlaceOnScreen({at.x, at.y, 200, 180}, one, kPrimary), at);
    // Not enough of the title strip left to grab.
    EXPECT_EQ(PlaceOnScreen({-153, 10, 200, 180}, one, kPrimary), (ScreenPoint{0, 10}));
    EXPECT_EQ(PlaceOnScreen({300, 761, 200, 180}, one, kPrimary), (ScreenPoint{300, 588}));
    EXPECT_EQ(PlaceOnScreen({300, -17, 200, 180}, one, kPrimary), (ScreenPoint{300, 0}));
    // A second screen left of the primary one (negative coordinates) and a taskbar's gap.
    const std::vector<ScreenRect> two{{0, 0, 1024, 728}, {-1280, -200, 1280, 1024}};
    EXPECT_EQ(PlaceOnScreen({-900, -150, 200, 180}, two, two[0]), (ScreenPoint{-900, -150}));
    EXPECT_EQ(PlaceOnScreen({300, 740, 200, 180}, two, two[0]), (ScreenPoint{300, 548}));
    // Nothing to judge by: left alone.
    EXPECT_EQ(PlaceOnScreen({100000, 100000, 200, 180}, {}, kPrimary), (ScreenPoint{100000, 100000}));
}

TEST(WindowPlacement, RandomDesktopsAgainstAPixelCount) {
    std::mt19937 rng(27);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int round = 0; round < 20000; ++round) {
        std::vector<ScreenRect> areas(size_t(pick(1, 3)));
        for (ScreenRect& a : areas) a = {pick(-100, 200), pick(-100, 200), pick(-5, 150), pick(-5, 150)};
        const ScreenRect window{pick(-200, 350), pick(-200, 350), pick(0, 120), pick(0, 60)};
        SCOPED_TRACE(testing::Message() << "round " << round);

        bool model = false;
        const int strip = std::clamp(window.height, 1, kTitleStripHeight);
        const int width = std::max(window.width, 1);
        for (const ScreenRect& a : areas) {
            int columns = 0, rows = 0;
            for (int x = window.left; x < window.left + width; ++x) columns += x >= a.left && x < a.left + a.width;
            for (int y = window.top; y < window.top + strip; ++y) rows += y >= a.top && y < a.top + a.height;
            model |= columns >= std::min(width, kGripWidth) && rows >= std::min(strip, kGripHeight);
        }
        ASSERT_EQ(CanGrabWindow(window, areas), model);

        const ScreenRect& primary = areas[0];
        const ScreenPoint at = PlaceOnScreen(window, areas, primary);
        if (model || primary.width <= 0 || primary.height <= 0) {
            ASSERT_EQ(at, (ScreenPoint{window.left, window.top}));
            continue;
        }
        // Moved: reachable on the primary area alone, and whole inside it where it fits.
        const ScreenRect moved{at.x, at.y, window.width, window.height};
        if (primary.width >= kGripWidth && primary.height >= kGripHeight)
            ASSERT_TRUE(CanGrabWindow(moved, std::span(&primary, 1)));
        if (window.width <= primary.width) {
            ASSERT_GE(at.x, primary.left);
            ASSERT_LE(at.x + window.width, primary.left + primary.width);
        }
        if (window.height <= primary.height) {
            ASSERT_GE(at.y, primary.top);
            ASSERT_LE(at.y + window.height, primary.top + primary.height);
        }
    }
}

}  // namespace
}  // namespace marble
