// The keyboard state as GetKeyboardState reports it, kept from the front end's key events.
#pragma once

#include "platform/win_constants.h"

#include <array>
#include <cstdint>

namespace marble::linux_platform {

/// Which keys are held, by virtual-key code. A key is tracked by its physical key (the X key
/// code, or any other number the front end picks) from press to release, so its release
/// clears the code recorded at the press even when the release maps to another code (NumLock
/// changed meanwhile). Repeated presses of a held key change nothing. The generic Ctrl code
/// is down while either Ctrl key is.
class KeyboardState {
public:
    /// Records physical key `physical` as held under virtual-key code `vk` (a second press of
    /// a key already held is ignored).
    void Press(uint32_t physical, uint8_t vk);
    /// Ends the hold of `physical`; a key not held is ignored.
    void Release(uint32_t physical);
    /// Every key counts as released (the window lost the keyboard).
    void ReleaseAll();
    /// Fills 256 bytes: 0x80 for each held code, 0 otherwise.
    void Snapshot(uint8_t* state256) const;
    bool IsDown(uint8_t vk) const;
    /// The code recorded at the press of `physical`, or 0 when it is not held.
    uint8_t HeldAs(uint32_t physical) const;

private:
    struct Held {
        uint32_t physical;
        uint8_t vk;
    };
    // More keys than a keyboard reports at once; further presses are dropped.
    static constexpr int kMaxHeld = 32;
    std::array<Held, kMaxHeld> m_held{};
    int m_count = 0;
};

}  // namespace marble::linux_platform
