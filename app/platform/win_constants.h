// The Windows numbers the drum pad's seam speaks in: virtual-key codes, the window timer's
// message, winmm's results and flags. Linux, the core and the tests take them from here; the
// Windows code gets the same numbers from <windows.h>, whose macros of these names win over
// these constants in every file that includes it afterwards. A file that includes <windows.h>
// first skips a family here instead of tripping over the macros.
#pragma once

#include <cstdint>

namespace marble {

#ifndef VK_CONTROL
/// Virtual-key codes the drum pad reads. VK_CONTROL is down while either Ctrl key is.
inline constexpr uint16_t VK_CONTROL = 0x11;
inline constexpr uint16_t VK_UP = 0x26;
inline constexpr uint16_t VK_DOWN = 0x28;
inline constexpr uint16_t VK_NUMPAD0 = 0x60;
inline constexpr uint16_t VK_NUMPAD9 = 0x69;
inline constexpr uint16_t VK_DECIMAL = 0x6E;
inline constexpr uint16_t VK_LCONTROL = 0xA2;
inline constexpr uint16_t VK_RCONTROL = 0xA3;
#endif

#ifndef WM_TIMER
/// The message a window timer hands to its procedure.
inline constexpr uint32_t WM_TIMER = 0x0113;
#endif

#ifndef MMSYSERR_NOERROR
/// Results of the winmm calls.
inline constexpr uint32_t MMSYSERR_NOERROR = 0;
inline constexpr uint32_t MMSYSERR_ERROR = 1;
inline constexpr uint32_t MMSYSERR_BADDEVICEID = 2;
inline constexpr uint32_t MMSYSERR_INVALHANDLE = 5;
inline constexpr uint32_t MMSYSERR_INVALPARAM = 11;
/// A MIDI output device's maker and product, and its kind (MIDIOUTCAPS wMid, wPid, wTechnology).
inline constexpr uint16_t MM_UNMAPPED = 0xFFFF;
inline constexpr uint16_t MOD_MIDIPORT = 1;
inline constexpr uint16_t MOD_SWSYNTH = 7;
/// The default MIDI output device.
inline constexpr uint32_t MIDI_MAPPER = 0xFFFFFFFFu;
/// midiOutOpen's callback is a window.
inline constexpr uint32_t CALLBACK_WINDOW = 0x10000;
/// timeSetEvent's timer repeats.
inline constexpr uint32_t TIME_PERIODIC = 1;
/// timeKillEvent's success.
inline constexpr uint32_t TIMERR_NOERROR = 0;
#endif

}  // namespace marble
