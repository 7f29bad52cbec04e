#include "key_mapping.h"

#include "platform/win_constants.h"

#include <QKeyEvent>

namespace marble::qt {

namespace {

// The keypad keys as Qt names them with NumLock on and with NumLock off (their navigation
// meaning); both carry Qt::KeypadModifier.
uint8_t KeypadCode(int key) {
    switch (key) {
    case Qt::Key_0: case Qt::Key_Insert: return VK_NUMPAD0;
    case Qt::Key_1: case Qt::Key_End: return VK_NUMPAD0 + 1;
    case Qt::Key_2: case Qt::Key_Down: return VK_NUMPAD0 + 2;
    case Qt::Key_3: case Qt::Key_PageDown: return VK_NUMPAD0 + 3;
    case Qt::Key_4: case Qt::Key_Left: return VK_NUMPAD0 + 4;
    case Qt::Key_5: case Qt::Key_Clear: return VK_NUMPAD0 + 5;
    case Qt::Key_6: case Qt::Key_Right: return VK_NUMPAD0 + 6;
    case Qt::Key_7: case Qt::Key_Home: return VK_NUMPAD0 + 7;
    case Qt::Key_8: case Qt::Key_Up: return VK_NUMPAD0 + 8;
    case Qt::Key_9: case Qt::Key_PageUp: return VK_NUMPAD9;
    // Some layouts put a comma on the keypad's decimal key.
    case Qt::Key_Period: case Qt::Key_Comma: case Qt::Key_Delete: return VK_DECIMAL;
    default: return 0;
    }
}

constexpr quint32 kXKeysymControlR = 0xFFE4;
constexpr quint32 kXKeycodeControlR = 105;

bool IsRightControl(const QKeyEvent& event) {
    return event.nativeVirtualKey() == kXKeysymControlR || event.nativeScanCode() == kXKeycodeControlR;
}

}  // namespace

uint8_t PadVirtualKey(const QKeyEvent& event) {
    const int key = event.key();
    if (key == Qt::Key_Control) return IsRightControl(event) ? VK_RCONTROL : VK_LCONTROL;
    if (!event.modifiers().testFlag(Qt::KeypadModifier)) return 0;
    return KeypadCode(key);
}

uint16_t VirtualKeyOf(const QKeyEvent& event) {
    const int key = event.key();
    if (const uint8_t pad = PadVirtualKey(event); pad != 0) {
        return pad == VK_LCONTROL || pad == VK_RCONTROL ? VK_CONTROL : pad;
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return uint16_t('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return uint16_t('0' + (key - Qt::Key_0));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return uint16_t(0x70 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Backspace: return 0x08;
    case Qt::Key_Tab: case Qt::Key_Backtab: return 0x09;
    case Qt::Key_Clear: return 0x0C;
    case Qt::Key_Return: case Qt::Key_Enter: return 0x0D;
    case Qt::Key_Shift: return 0x10;
    case Qt::Key_Alt: return 0x12;
    case Qt::Key_Pause: return 0x13;
    case Qt::Key_CapsLock: return 0x14;
    case Qt::Key_Escape: return 0x1B;
    case Qt::Key_Space: return 0x20;
    case Qt::Key_PageUp: return 0x21;
    case Qt::Key_PageDown: return 0x22;
    case Qt::Key_End: return 0x23;
    case Qt::Key_Home: return 0x24;
    case Qt::Key_Left: return 0x25;
    case Qt::Key_Up: return 0x26;
    case Qt::Key_Right: return 0x27;
    case Qt::Key_Down: return 0x28;
    case Qt::Key_Insert: return 0x2D;
    case Qt::Key_Delete: return 0x2E;
    case Qt::Key_NumLock: return 0x90;
    case Qt::Key_ScrollLock: return 0x91;
    default: return 0;
    }
}

quint32 PhysicalKeyOf(const QKeyEvent& event) {
    if (event.nativeScanCode() != 0) return event.nativeScanCode();
    return 0x10000u | PadVirtualKey(event);
}

}  // namespace marble::qt
