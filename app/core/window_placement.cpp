#include "core/window_placement.h"

#include <algorithm>

namespace marble {

namespace {

// 64-bit edges: a remembered position may be anywhere in the 32-bit range.
int64_t Overlap(int64_t a0, int64_t a1, int64_t b0, int64_t b1) {
    return std::max<int64_t>(0, std::min(a1, b1) - std::max(a0, b0));
}

int32_t Fit(int32_t at, int32_t size, int32_t areaStart, int32_t areaSize) {
    const int64_t last = int64_t(areaStart) + areaSize - size;
    if (last < areaStart) return areaStart;
    return int32_t(std::clamp<int64_t>(at, areaStart, last));
}

}  // namespace

bool CanGrabWindow(const ScreenRect& window, std::span<const ScreenRect> workAreas) {
    const int64_t width = std::max(window.width, 1);
    const int64_t strip = std::clamp(window.height, 1, kTitleStripHeight);
    const int64_t needWidth = std::min<int64_t>(width, kGripWidth);
    const int64_t needHeight = std::min<int64_t>(strip, kGripHeight);
    for (const ScreenRect& area : workAreas) {
        if (area.width <= 0 || area.height <= 0) continue;
        const int64_t across =
            Overlap(window.left, int64_t(window.left) + width, area.left, int64_t(area.left) + area.width);
        const int64_t down =
            Overlap(window.top, int64_t(window.top) + strip, area.top, int64_t(area.top) + area.height);
        if (across >= needWidth && down >= needHeight) return true;
    }
    return false;
}

ScreenPoint PlaceOnScreen(const ScreenRect& window, std::span<const ScreenRect> workAreas, const ScreenRect& primary) {
    const ScreenPoint at{window.left, window.top};
    if (workAreas.empty() || primary.width <= 0 || primary.height <= 0 || CanGrabWindow(window, workAreas)) return at;
    return {Fit(window.left, std::max(window.width, 1), primary.left, primary.width),
            Fit(window.top, std::max(window.height, 1), primary.top, primary.height)};
}

}  // namespace marble
