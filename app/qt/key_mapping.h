// From Qt key events to the platform's virtual-key codes.
#pragma once

#include <QtGlobal>

#include <cstdint>

class QKeyEvent;

namespace marble::qt {

/// The virtual-key code a pad key gives in the keyboard state: keypad 0-9 (0x60-0x69) and the
/// keypad decimal point (0x6E) whatever NumLock says, and left or right Ctrl (0xA2, 0xA3);
/// 0 for every other key.
uint8_t PadVirtualKey(const QKeyEvent& event);

/// The virtual-key code a key-up handler receives: the pad codes above, with the generic
/// Ctrl code (0x11) for either Ctrl key, letters, digits and the common editing and function
/// keys; 0 for keys without one.
uint16_t VirtualKeyOf(const QKeyEvent& event);

/// The number that identifies the physical key from press to release: the native scan code
/// (the X key code under xcb), or, where the platform gives none (offscreen), a number made
/// from the pad code.
quint32 PhysicalKeyOf(const QKeyEvent& event);

}  // namespace marble::qt
