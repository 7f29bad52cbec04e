// Winmm-style MIDI output on Linux: the built-in synthesizer and the ALSA sequencer's ports.
#pragma once

#include "platform/platform.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace marble::linux_platform {

/// The name under which the built-in synthesizer is listed (fits the 32-byte name field).
inline constexpr const char* kBuiltinSynthName = "Built-in synth (FluidSynth GM)";
/// Its name when no audio output could be started: it plays into nothing.
inline constexpr const char* kBuiltinSynthSilentName = "Built-in synth (no audio out)";

class BuiltinSynth;

/// MIDI output devices numbered as winmm numbers them: device 0 is the built-in synthesizer
/// when a soundfont is installed, then one device per ALSA sequencer port. The list is taken
/// anew by midiOutGetNumDevs; the other calls use the list of the last count. The mapper
/// (MIDI_MAPPER, -1) stands for device 0. Handles are small numbers, never pointers, so a stale
/// or invented handle is refused with MMSYSERR_INVALHANDLE instead of being followed.
class LinuxMidiOut : public MidiOut {
public:
    /// One open port, whatever its back end.
    class Port {
    public:
        virtual ~Port() = default;
        /// A short message, decoded to its MIDI bytes (or played, for the synthesizer).
        virtual void ShortMsg(uint32_t message) = 0;
        /// Silences every channel.
        virtual void Reset() = 0;
    };

    /// What to offer. The defaults are the program's; tests narrow them.
    struct Options {
        bool builtinSynth = true;  ///< list the built-in synthesizer when a soundfont is found
        bool synthAudio = true;    ///< open an audio output for it (off: it renders into nothing)
        bool alsaPorts = true;     ///< list the ALSA sequencer's ports
        std::string soundFont;     ///< empty: FindSoundFont()
    };

    LinuxMidiOut();
    explicit LinuxMidiOut(Options options);
    ~LinuxMidiOut() override;

    uint32_t midiOutGetNumDevs() override;
    uint32_t midiOutGetDevCapsA(uintptr_t deviceId, MidiOutCaps& caps, uint32_t size) override;
    uint32_t midiOutOpen(MidiHandle& handle, uint32_t deviceId, uintptr_t callback, uintptr_t instance,
                         uint32_t flags) override;
    uint32_t midiOutShortMsg(MidiHandle handle, uint32_t message) override;
    uint32_t midiOutReset(MidiHandle handle) override;
    uint32_t midiOutClose(MidiHandle handle) override;

    /// The soundfont the built-in synthesizer uses (empty: none installed, not listed).
    const std::string& SoundFont() const { return m_soundFont; }
    /// The built-in synthesizer, once listed (null before, or when none is offered).
    BuiltinSynth* Synth() const;
    /// The open port behind `handle`, or null (for tests and measurements).
    Port* PortOf(MidiHandle handle) const;

private:
    enum class Kind { Synth, Alsa };
    struct Device {
        Kind kind;
        std::string name;
        unsigned alsaIndex = 0;
    };

    void Refresh();

    Options m_options;
    std::string m_soundFont;
    std::vector<Device> m_devices;
    bool m_listed = false;
    std::unique_ptr<BuiltinSynth> m_synth;  // outlives the ports that play it
    std::map<MidiHandle, std::unique_ptr<Port>> m_open;
    MidiHandle m_nextHandle = 1;
};

/// The bytes of short message `message` in MIDI order; 0 for a word without a status byte or
/// with a system-exclusive status, which a short message cannot carry.
size_t ShortMessageBytes(uint32_t message, uint8_t bytes[3]);

}  // namespace marble::linux_platform
