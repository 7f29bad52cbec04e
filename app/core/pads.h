// The pad table: the one place that says which keypad key plays which pad, under which settings
// key its note is stored, its default note, its caption, where its controls sit and in which
// order the scanner visits it.
#pragma once

#include <array>
#include <cstdint>

namespace marble {

/// One pad of the drum pad. Positions are relative to the window's client area.
struct PadSpec {
    /// Virtual-key code of the keypad key.
    uint16_t key;
    /// Key of the pad's note in the settings file.
    const char* settingsKey;
    int32_t defaultNote;
    /// Caption of the pad's label.
    const char* caption;
    /// Number in the controls' names: Label<n>, Edit<n>, UpDown<n>.
    int32_t controlNumber;
    int32_t labelLeft, labelTop, labelWidth;
    int32_t editLeft, editTop;
    int32_t upDownLeft, upDownTop;
    int32_t editTabOrder, upDownTabOrder;
    /// Whether the key-up handler also sends a note-off for this pad (keypad digits only).
    bool keyUpNoteOff;
};

inline constexpr int32_t kPadCount = 11;
inline constexpr int32_t kLabelHeight = 13;
inline constexpr int32_t kNoteEditWidth = 33;
inline constexpr int32_t kNoteEditHeight = 21;
inline constexpr int32_t kPadUpDownWidth = 16;
inline constexpr int32_t kPadUpDownHeight = 21;

/// The pads in scan order, which is also the order of their settings keys and controls.
inline constexpr std::array<PadSpec, kPadCount> kPads = {{
    {0x60, "Num0", 35, "0", 1, 10, 119, 6, 18, 116, 51, 116, 1, 2, true},
    {0x6E, "Num.", 34, ".", 2, 136, 119, 4, 142, 116, 176, 116, 4, 3, false},
    {0x61, "Num1", 36, "1", 3, 10, 92, 6, 18, 89, 51, 89, 6, 5, true},
    {0x62, "Num2", 37, "2", 4, 73, 92, 6, 82, 89, 115, 89, 8, 7, true},
    {0x63, "Num3", 38, "3", 5, 134, 92, 6, 142, 89, 175, 89, 10, 9, true},
    {0x64, "Num4", 39, "4", 6, 10, 65, 6, 18, 62, 51, 62, 12, 11, true},
    {0x65, "Num5", 40, "5", 7, 73, 65, 6, 82, 62, 115, 62, 14, 13, true},
    {0x66, "Num6", 41, "6", 8, 134, 65, 6, 142, 62, 175, 62, 16, 15, true},
    {0x67, "Num7", 42, "7", 9, 10, 38, 6, 18, 35, 51, 35, 18, 17, true},
    {0x68, "Num8", 43, "8", 10, 73, 38, 6, 82, 35, 115, 35, 20, 19, true},
    {0x69, "Num9", 44, "9", 11, 134, 38, 6, 142, 35, 175, 35, 22, 21, true},
}};

/// Index into kPads of the pad played by `key`, or -1 for any other key.
constexpr int32_t PadIndexOfKey(uint16_t key) {
    for (int32_t i = 0; i < kPadCount; ++i) {
        if (kPads[size_t(i)].key == key) return i;
    }
    return -1;
}

}  // namespace marble
