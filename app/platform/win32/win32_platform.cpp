// One Windows call per operation. Only the two callbacks need a word: the core's callback types
// are the Windows ones spelled with fixed-width integers, and a small trampoline turns the
// platform's call into the core's, so the arguments reach the core unchanged.
#include "platform/win32/win32_platform.h"

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <vector>

namespace marble {

namespace {

static_assert(sizeof(MIDIOUTCAPSA) == sizeof(MidiOutCaps), "the capability record must be MIDIOUTCAPSA");

// The program runs one clock and one window timer procedure; their targets live here.
std::atomic<TimeCallback> g_timeCallback{nullptr};
std::atomic<TimerProc> g_timerProc{nullptr};

// winmm's timeKillEvent returns while a callback may still run or be about to start on the
// timer thread. The trampoline counts the callbacks inside it and the stop waits for that
// count to reach zero; a callback entering after the stop began sees g_clockStopped and does
// not call the program. Both sides use sequentially consistent order: either the stop sees
// the count raised, or the callback sees the flag set.
std::atomic<int> g_callbacksInFlight{0};
std::atomic<bool> g_clockStopped{false};
thread_local bool t_insideClockCallback = false;

void CALLBACK TimeCallbackTrampoline(UINT timerId, UINT message, DWORD_PTR user, DWORD_PTR reserved1,
                                     DWORD_PTR reserved2) {
    g_callbacksInFlight.fetch_add(1);
    if (!g_clockStopped.load()) {
        if (TimeCallback callback = g_timeCallback.load()) {
            t_insideClockCallback = true;
            callback(timerId, message, user, reserved1, reserved2);
            t_insideClockCallback = false;
        }
    }
    g_callbacksInFlight.fetch_sub(1);
}

// While the window does not have the keyboard, key releases go to another window, and the
// thread's key state may even follow the keys pressed there: every key counts as up. Keys held
// when the keyboard comes back count as up until released. GUI thread only.
bool g_keyboardLost = false;
bool g_heldBeforeRegain[256] = {};

// The settings file whose last write failed, in the ANSI code page the profile calls use.
std::string g_failedProfileFile;

void CALLBACK TimerProcTrampoline(HWND window, UINT message, UINT_PTR timerId, DWORD time) {
    if (TimerProc proc = g_timerProc.load(std::memory_order_acquire))
        proc(reinterpret_cast<WindowHandle>(window), message, timerId, time);
}

}  // namespace

const wchar_t* const kApplicationTitle = L"marbleStomper";

std::wstring WidenAnsi(const std::string& text) {
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(std::max(n, 0)), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), wide.data(), n);
    return wide;
}

std::wstring Widen(const std::string& text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), nullptr, 0);
    // Not UTF-8 (a path in the ANSI code page, say): read it in that code page.
    if (n <= 0) return WidenAnsi(text);
    std::wstring wide(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), wide.data(), n);
    return wide;
}

void ShowErrorBoxW(void* owner, const std::string& message) {
    MessageBoxW(static_cast<HWND>(owner), Widen(message).c_str(), kApplicationTitle, MB_OK | MB_ICONSTOP);
}

// ==== MIDI output ===============================================================================

uint32_t Win32Platform::midiOutGetNumDevs() { return ::midiOutGetNumDevs(); }

uint32_t Win32Platform::midiOutGetDevCapsA(uintptr_t deviceId, MidiOutCaps& caps, uint32_t size) {
    return ::midiOutGetDevCapsA(deviceId, reinterpret_cast<MIDIOUTCAPSA*>(&caps), size);
}

uint32_t Win32Platform::midiOutOpen(MidiHandle& handle, uint32_t deviceId, uintptr_t callback,
                                    uintptr_t instance, uint32_t flags) {
    static_assert(sizeof(HMIDIOUT) == sizeof(MidiHandle));
    return ::midiOutOpen(reinterpret_cast<HMIDIOUT*>(&handle), deviceId, callback, instance, flags);
}

uint32_t Win32Platform::midiOutShortMsg(MidiHandle handle, uint32_t message) {
    return ::midiOutShortMsg(reinterpret_cast<HMIDIOUT>(handle), message);
}

uint32_t Win32Platform::midiOutReset(MidiHandle handle) { return ::midiOutReset(reinterpret_cast<HMIDIOUT>(handle)); }

uint32_t Win32Platform::midiOutClose(MidiHandle handle) { return ::midiOutClose(reinterpret_cast<HMIDIOUT>(handle)); }

// ==== Timers ====================================================================================

uint32_t Win32Platform::timeSetEvent(uint32_t delay, uint32_t resolution, TimeCallback callback, uintptr_t user,
                                     uint32_t flags) {
    g_timeCallback.store(callback);
    g_clockStopped.store(false);
    return ::timeSetEvent(delay, resolution, TimeCallbackTrampoline, user, flags);
}

uint32_t Win32Platform::timeKillEvent(uint32_t timerId) {
    // When this returns, no callback runs and none will start: the window the callback
    // reaches may be freed next. A callback stopping its own clock cannot wait for itself.
    g_clockStopped.store(true);
    const uint32_t result = ::timeKillEvent(timerId);
    while (!t_insideClockCallback && g_callbacksInFlight.load() != 0) ::Sleep(0);
    return result;
}

uintptr_t Win32Platform::SetTimer(WindowHandle window, uintptr_t timerId, uint32_t elapse, TimerProc proc) {
    g_timerProc.store(proc, std::memory_order_release);
    return ::SetTimer(reinterpret_cast<HWND>(window), timerId, elapse, TimerProcTrampoline);
}

bool Win32Platform::KillTimer(WindowHandle window, uintptr_t timerId) {
    return ::KillTimer(reinterpret_cast<HWND>(window), timerId) != FALSE;
}

// ==== Input and waiting =========================================================================

bool Win32Platform::GetKeyboardState(uint8_t* state256) {
    if (!::GetKeyboardState(state256)) return false;
    for (int key = 0; key < 256; ++key) {
        if (g_keyboardLost) {
            state256[key] &= 0x7F;
        } else if (g_heldBeforeRegain[key]) {
            if (state256[key] & 0x80) {
                state256[key] &= 0x7F;
            } else {
                g_heldBeforeRegain[key] = false;
            }
        }
    }
    return true;
}

void Win32Platform::Sleep(uint32_t milliseconds) { ::Sleep(milliseconds); }

// ==== Profile files =============================================================================

uint32_t Win32Platform::GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                                 char* buffer, uint32_t size, const char* fileName) {
    return ::GetPrivateProfileStringA(section, key, defaultValue, buffer, size, fileName);
}

bool Win32Platform::WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                               const char* fileName) {
    const BOOL written = ::WritePrivateProfileStringA(section, key, value, fileName);
    // The flush (no section, key or value) always answers FALSE, whether or not it succeeded:
    // that answer says nothing about a failure, so it is not passed on as one.
    if (section == nullptr && key == nullptr && value == nullptr) return true;
    if (written == FALSE && fileName != nullptr) g_failedProfileFile = fileName;
    return written != FALSE;
}

// ==== Shell =====================================================================================

std::string Win32Platform::ExecutablePath() {
    // GetModuleFileNameA truncates silently; grow the buffer until the whole path fits.
    std::vector<char> path(MAX_PATH);
    for (;;) {
        DWORD n = ::GetModuleFileNameA(nullptr, path.data(), DWORD(path.size()));
        if (n == 0) return {};
        if (n < path.size()) return std::string(path.data(), n);
        if (path.size() >= 32768) return std::string(path.data(), n);
        path.resize(path.size() * 2);
    }
}

void Win32Platform::ShowErrorBox(const std::string& message) {
    // The settings error names the file in the ANSI code page inside a UTF-8 message: each
    // part is read in its own encoding, so neither a non-ASCII path nor the Japanese text is
    // garbled.
    const std::string& file = g_failedProfileFile;
    if (!file.empty() && message.compare(0, file.size(), file) == 0) {
        const std::wstring text = WidenAnsi(file) + Widen(message.substr(file.size()));
        MessageBoxW(GetActiveWindow(), text.c_str(), kApplicationTitle, MB_OK | MB_ICONSTOP);
        return;
    }
    ShowErrorBoxW(GetActiveWindow(), message);
}

void KeyboardLost() { g_keyboardLost = true; }

void KeyboardRegained(uint8_t pressedNow) {
    if (g_keyboardLost) {
        g_keyboardLost = false;
        // A key still held from before counts as up until its release has been seen (the
        // thread's state may also still hold a key whose release went elsewhere).
        BYTE state[256];
        if (::GetKeyboardState(state)) {
            for (int key = 0; key < 256; ++key) g_heldBeforeRegain[key] = (state[key] & 0x80) != 0;
        }
    }
    // A fresh press is a new stroke, whatever the state said before.
    if (pressedNow != 0) g_heldBeforeRegain[pressedNow] = false;
    // Ctrl and the generic codes of its two keys go together.
    if (pressedNow == VK_LCONTROL || pressedNow == VK_RCONTROL) g_heldBeforeRegain[VK_CONTROL] = false;
}

}  // namespace marble
