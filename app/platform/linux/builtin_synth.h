// The built-in General MIDI synthesizer: FluidSynth with the soundfont the system installs,
// played through a low-latency audio output.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <cstdint>
#include <memory>
#include <string>

#include <fluidsynth/types.h>

namespace marble::linux_platform {

class PulseOutput;

/// The soundfont the built-in synthesizer plays: FluidSynth's own default soundfont setting when
/// that file exists, else the first *.sf2 in /usr/share/sounds/sf2, else the first *.sf3 in
/// /usr/share/sounds/sf3. Empty when none is installed.
std::string FindSoundFont();

/// One FluidSynth instance with its soundfont loaded. With `withAudio` it also opens the first
/// audio output that works (PulseAudio or PipeWire's Pulse server, ALSA, JACK); without one it
/// still accepts messages and can be rendered offline with Render().
class BuiltinSynth {
public:
    /// Sample rate of the synthesizer and its audio output.
    static constexpr double kSampleRate = 48000.0;
    /// Frames per audio period (FluidSynth's own block, so a message always starts a fresh
    /// one) and number of periods: about 4 ms of output buffer. On a Pulse server the periods
    /// are rendered only when the server has room, and the 4 ms are the whole way to the sink
    /// (fewer let a loaded machine's server run dry between strokes).
    static constexpr int kPeriodSize = 64;
    static constexpr int kPeriods = 3;

    BuiltinSynth(const std::string& soundFont, bool withAudio);
    ~BuiltinSynth();
    BuiltinSynth(const BuiltinSynth&) = delete;
    BuiltinSynth& operator=(const BuiltinSynth&) = delete;

    /// True when the synthesizer exists and its soundfont is loaded.
    bool Loaded() const { return m_synth != nullptr && m_fontId >= 0; }
    /// The audio output in use ("pulseaudio", "alsa", "jack"), empty when none could be opened.
    const std::string& AudioDriver() const { return m_driverName; }
    /// Output latency of the audio buffer in milliseconds: periods x period size / rate (0 without audio).
    double OutputLatencyMs() const;

    /// Plays one MIDI short message (status in bits 0-7, data bytes in bits 8-15 and 16-23).
    /// System messages and malformed words are ignored.
    void ShortMsg(uint32_t message);
    /// All notes off and sustain off on every channel, then the synthesizer's own reset.
    void Reset();
    /// Renders `frames` stereo frames into two float buffers (for use without an audio output).
    void Render(float* left, float* right, int frames);
    /// Fills one period of the audio output: synthesized while anything sounds, and silence
    /// without running the synthesizer (its voices, reverb and chorus) once every voice has
    /// ended and the effects' tail has died away. `left` and `right` arrive zeroed.
    void RenderPeriod(float* left, float* right, int frames);
    /// True while the output is silent without synthesizing.
    bool Resting() const { return m_resting.load(std::memory_order_relaxed); }

private:
    static int AudioCallback(void* data, int len, int nfx, float* fx[], int nout, float* out[]);

    fluid_settings_t* m_settings = nullptr;
    fluid_synth_t* m_synth = nullptr;
    fluid_audio_driver_t* m_driver = nullptr;
    std::unique_ptr<PulseOutput> m_pulse;
    int m_fontId = -1;
    std::string m_driverName;
    /// Marks the synthesizer as woken and lets a resting audio thread go on; on a Pulse server
    /// also sends what the server has room for at once (a note-on, `startsSound`, ahead of a
    /// quiet queue).
    void Wake(bool startsSound);

    // Set by every message, so the next period synthesizes again.
    std::atomic<bool> m_woken{false};
    // A resting audio thread sleeps here instead of feeding silence period after period.
    std::mutex m_restMutex;
    std::condition_variable m_restWake;
    bool m_closing = false;  // guarded by m_restMutex
    std::atomic<bool> m_resting{false};
    // Frames rendered in a row with no voice and nothing above the silence threshold.
    int64_t m_quietFrames = 0;
};

}  // namespace marble::linux_platform
