// Where a top-level window goes when its remembered position may lie on a screen that is no
// longer there (a monitor unplugged, a smaller desktop): the same rule for every front end.
#pragma once

#include <cstdint>
#include <span>

namespace marble {

/// A rectangle in screen pixels; a width or height of 0 or less is empty.
struct ScreenRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
};

struct ScreenPoint {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const ScreenPoint&) const = default;
};

/// Whether the user can see and grab `window`: some work area holds a piece of its top strip
/// (where the title bar is) at least kGripWidth wide and kGripHeight tall, or the whole strip
/// when the window is smaller than that.
bool CanGrabWindow(const ScreenRect& window, std::span<const ScreenRect> workAreas);

/// Where to put `window`'s top-left corner: where it is when the user can grab it there, or
/// with no work areas to judge by; otherwise the nearest point inside `primary` (the primary
/// screen's work area), the window kept whole where it fits and flush with the area's top-left
/// corner where it does not.
ScreenPoint PlaceOnScreen(const ScreenRect& window, std::span<const ScreenRect> workAreas, const ScreenRect& primary);

inline constexpr int32_t kTitleStripHeight = 24;
inline constexpr int32_t kGripWidth = 48;
inline constexpr int32_t kGripHeight = 8;

}  // namespace marble
