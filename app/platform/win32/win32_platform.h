// The drum pad's platform seam on Windows: every operation is the Windows call of the same
// name with the same arguments.
#pragma once

#include "platform/platform.h"

#include <string>

namespace marble {

/// The real Windows calls (winmm, user32, kernel32).
class Win32Platform final : public Platform, public MidiOut {
public:
    MidiOut& Midi() override { return *this; }
    uint32_t midiOutGetNumDevs() override;
    uint32_t midiOutGetDevCapsA(uintptr_t deviceId, MidiOutCaps& caps, uint32_t size) override;
    uint32_t midiOutOpen(MidiHandle& handle, uint32_t deviceId, uintptr_t callback, uintptr_t instance,
                         uint32_t flags) override;
    uint32_t midiOutShortMsg(MidiHandle handle, uint32_t message) override;
    uint32_t midiOutReset(MidiHandle handle) override;
    uint32_t midiOutClose(MidiHandle handle) override;

    uint32_t timeSetEvent(uint32_t delay, uint32_t resolution, TimeCallback callback, uintptr_t user,
                          uint32_t flags) override;
    uint32_t timeKillEvent(uint32_t timerId) override;
    uintptr_t SetTimer(WindowHandle window, uintptr_t timerId, uint32_t elapse, TimerProc proc) override;
    bool KillTimer(WindowHandle window, uintptr_t timerId) override;

    bool GetKeyboardState(uint8_t* state256) override;
    void Sleep(uint32_t milliseconds) override;

    uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                      char* buffer, uint32_t size, const char* fileName) override;
    bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                    const char* fileName) override;

    std::string ExecutablePath() override;
    void ShowErrorBox(const std::string& message) override;
};

/// The caption of the program's message boxes ("marbleStomper").
extern const wchar_t* const kApplicationTitle;

/// Shows `message` (UTF-8) in the framework's standard error box, owned by `owner` (may be null).
void ShowErrorBoxW(void* owner, const std::string& message);

/// UTF-8 to UTF-16 for the wide Windows calls (text that is not UTF-8 is read as ANSI).
std::wstring Widen(const std::string& text);
/// ANSI code page to UTF-16.
std::wstring WidenAnsi(const std::string& text);

/// The window lost the keyboard: until KeyboardRegained, GetKeyboardState reports every key
/// up, since their releases go to another window and the scanner would never see them.
void KeyboardLost();
/// The window has the keyboard again: keys pressed from now on count; a key held from before
/// counts as up until it has been released or pressed anew (`pressedNow`, a key whose first,
/// not repeated, press has just arrived).
void KeyboardRegained(uint8_t pressedNow = 0);

}  // namespace marble
