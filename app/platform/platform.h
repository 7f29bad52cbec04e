// The seam between the drum pad and the operating system.
//
// Each operation mirrors one platform call of the Windows API the program was made for, with the
// same arguments and results, so the core reads like the Windows program and the Windows build
// is one line per call. Callers never check the MIDI and timer results: a failure is silent.
// Implementations: win32/ (the real calls), linux/ (RtMidi, FluidSynth, a clock thread, key
// state, an ini file; the front end lends it window timers and an error box), fake/ (a
// recorder for tests).
#pragma once

#include "platform/win_constants.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace marble {

/// An open MIDI output port (HMIDIOUT on Windows); 0 is no port.
using MidiHandle = uintptr_t;
/// A window (HWND on Windows); the front end hands its main window's handle to the core.
using WindowHandle = uintptr_t;

/// The capability record of one MIDI output device, laid out as MIDIOUTCAPSA (52 bytes).
struct MidiOutCaps {
    uint16_t wMid = 0;
    uint16_t wPid = 0;
    uint32_t vDriverVersion = 0;
    char szPname[32] = {};
    uint16_t wTechnology = 0;
    uint16_t wVoices = 0;
    uint16_t wNotes = 0;
    uint16_t wChannelMask = 0;
    uint32_t dwSupport = 0;
};
static_assert(sizeof(MidiOutCaps) == 52, "MidiOutCaps must match MIDIOUTCAPSA");

/// A multimedia-timer callback (LPTIMECALLBACK): timer id, message, user data, two reserved values.
using TimeCallback = void (*)(uint32_t timerId, uint32_t message, uintptr_t user, uintptr_t reserved1,
                              uintptr_t reserved2);
/// A window-timer procedure (TIMERPROC): window, message, timer id, tick time.
using TimerProc = void (*)(WindowHandle window, uint32_t message, uintptr_t timerId, uint32_t time);

/// Winmm MIDI output, with winmm's device-id semantics (MIDI_MAPPER = the default device).
class MidiOut {
public:
    virtual ~MidiOut() = default;
    virtual uint32_t midiOutGetNumDevs() = 0;
    virtual uint32_t midiOutGetDevCapsA(uintptr_t deviceId, MidiOutCaps& caps, uint32_t size) = 0;
    virtual uint32_t midiOutOpen(MidiHandle& handle, uint32_t deviceId, uintptr_t callback, uintptr_t instance,
                                 uint32_t flags) = 0;
    virtual uint32_t midiOutShortMsg(MidiHandle handle, uint32_t message) = 0;
    virtual uint32_t midiOutReset(MidiHandle handle) = 0;
    virtual uint32_t midiOutClose(MidiHandle handle) = 0;
};

/// The periodic multimedia timer and the window timer.
class Timers {
public:
    virtual ~Timers() = default;
    /// Returns the timer id, or 0 on failure. Callbacks run on a thread of their own, never overlapping.
    virtual uint32_t timeSetEvent(uint32_t delay, uint32_t resolution, TimeCallback callback, uintptr_t user,
                                  uint32_t flags) = 0;
    /// Stops the timer; a callback still running has finished when this returns.
    virtual uint32_t timeKillEvent(uint32_t timerId) = 0;
    /// Calls `proc` every `elapse` ms on the GUI thread.
    virtual uintptr_t SetTimer(WindowHandle window, uintptr_t timerId, uint32_t elapse, TimerProc proc) = 0;
    virtual bool KillTimer(WindowHandle window, uintptr_t timerId) = 0;
};

/// Keyboard state as the GUI thread sees it, and blocking waits.
class Input {
public:
    virtual ~Input() = default;
    /// 256 bytes by virtual-key code; bit 7 set = key down.
    virtual bool GetKeyboardState(uint8_t* state256) = 0;
    virtual void Sleep(uint32_t milliseconds) = 0;
};

/// Windows profile (ini) files.
class ProfileFiles {
public:
    virtual ~ProfileFiles() = default;
    /// Copies the value (or `defaultValue`) into `buffer`, truncated to size - 1 characters and
    /// terminated; returns the number of characters copied.
    virtual uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                              char* buffer, uint32_t size, const char* fileName) = 0;
    /// Writes one key; with section, key and value all null only flushes the file. False on failure.
    virtual bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                            const char* fileName) = 0;
};

/// The framework's user-visible services.
class Shell {
public:
    virtual ~Shell() = default;
    /// Full path of the running executable.
    virtual std::string ExecutablePath() = 0;
    /// The framework's standard error box showing `message`.
    virtual void ShowErrorBox(const std::string& message) = 0;
    /// Whether this user may create and replace files in `folder`.
    virtual bool FolderWritable(const std::string& folder) {
        (void)folder;
        return true;
    }
    /// The user's own settings folder ($XDG_CONFIG_HOME or ~/.config on Linux), used when the
    /// executable's folder is not writable; empty where settings always sit beside the
    /// executable (Windows).
    virtual std::string UserConfigFolder() { return {}; }
    /// Whether the program at `executablePath` is the copy installed by the system's package,
    /// which keeps its settings per user whoever runs it, even one who may write beside it.
    virtual bool InstalledByPackage(const std::string& executablePath) {
        (void)executablePath;
        return false;
    }
    /// Whether a settings file is there to be read (a regular file, or a link to one).
    virtual bool SettingsFileExists(const std::string& fileName) {
        (void)fileName;
        return false;
    }
};

/// Everything the drum pad needs of the operating system. The MIDI output is an object of its
/// own, which the core calls directly.
class Platform : public Timers, public Input, public ProfileFiles, public Shell {
public:
    virtual MidiOut& Midi() = 0;
};

}  // namespace marble
