// The built-in synthesizer. FluidSynth is thread-safe by default (synth.threadsafe-api), so the
// GUI thread sends messages while the audio driver's thread renders.
#include "builtin_synth.h"

#include "pulse_output.h"

#include <alsa/asoundlib.h>
#include <fluidsynth.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace marble::linux_platform {

namespace {

namespace fs = std::filesystem;

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// FluidSynth logs failed audio drivers and soundfont problems to stderr, and ALSA's library
// each card it cannot find; the program reports nothing, so only a panic is left to its
// default handler.
void SilenceFluidLog() {
    static const bool once = [] {
        for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) fluid_set_log_function(level, nullptr, nullptr);
        snd_lib_error_set_handler(&IgnoreAlsaError);
        return true;
    }();
    (void)once;
}

bool IsFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

std::string FirstWithExtension(const fs::path& folder, const std::string& extension) {
    std::error_code ec;
    std::vector<fs::path> found;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().extension() == extension && IsFile(it->path())) found.push_back(it->path());
    }
    if (found.empty()) return {};
    // The Debian alternative "default-GM" names the preferred font; otherwise take a stable choice.
    std::sort(found.begin(), found.end());
    for (const fs::path& p : found) {
        if (p.stem() == "default-GM") return p.string();
    }
    return found.front().string();
}

// True when a Pulse server (PulseAudio or PipeWire's) is likely to answer, so it is tried first.
bool PulseServerLikely() {
    if (std::getenv("PULSE_SERVER") != nullptr) return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr) return false;
    std::error_code ec;
    return fs::exists(fs::path(runtime) / "pulse" / "native", ec);
}

// The XDG data folders, the user's first: where Debian's soundfont packages (under
// /usr/share/sounds) and a user's own soundfonts (~/.local/share/sounds) go.
std::vector<fs::path> DataFolders() {
    std::vector<fs::path> folders;
    const char* home = std::getenv("HOME");
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && dataHome[0] == '/') {
        folders.emplace_back(dataHome);
    } else if (home != nullptr && home[0] == '/') {
        folders.push_back(fs::path(home) / ".local" / "share");
    }
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    std::string list = dataDirs != nullptr && dataDirs[0] != '\0' ? dataDirs : "/usr/local/share:/usr/share";
    for (size_t start = 0; start <= list.size();) {
        const size_t end = std::min(list.find(':', start), list.size());
        if (end > start && list[start] == '/') folders.emplace_back(list.substr(start, end - start));
        start = end + 1;
    }
    return folders;
}

}  // namespace

std::string FindSoundFont() {
    SilenceFluidLog();
    fluid_settings_t* settings = new_fluid_settings();
    std::string result;
    if (settings != nullptr) {
        char* def = nullptr;
        if (fluid_settings_getstr_default(settings, "synth.default-soundfont", &def) == FLUID_OK && def != nullptr &&
            IsFile(def)) {
            result = def;
        }
        delete_fluid_settings(settings);
    }
    const std::vector<fs::path> folders = DataFolders();
    for (const char* kind : {"sf2", "sf3"}) {
        for (const fs::path& folder : folders) {
            if (result.empty()) result = FirstWithExtension(folder / "sounds" / kind, std::string(".") + kind);
        }
    }
    return result;
}

BuiltinSynth::BuiltinSynth(const std::string& soundFont, bool withAudio) {
    SilenceFluidLog();
    m_settings = new_fluid_settings();
    if (m_settings == nullptr) return;
    fluid_settings_setnum(m_settings, "synth.sample-rate", kSampleRate);
    fluid_settings_setnum(m_settings, "synth.gain", 0.4);
    fluid_settings_setint(m_settings, "audio.period-size", kPeriodSize);
    fluid_settings_setint(m_settings, "audio.periods", kPeriods);
    fluid_settings_setint(m_settings, "audio.pulseaudio.adjust-latency", 0);
    fluid_settings_setstr(m_settings, "audio.pulseaudio.media-role", "music");
    fluid_settings_setint(m_settings, "audio.jack.autoconnect", 1);

    m_synth = new_fluid_synth(m_settings);
    if (m_synth == nullptr) return;
    if (!soundFont.empty()) m_fontId = fluid_synth_sfload(m_synth, soundFont.c_str(), 1);
    if (m_fontId < 0 || !withAudio) return;

    m_withAudio = true;

    // A Pulse server that is likely to answer is the way out, even while it does not answer
    // yet; otherwise ALSA or JACK where they open, and else a Pulse server once one starts.
    if (PulseServerLikely()) {
        OpenPulse();
        return;
    }
    // A JACK client must not start a server of its own just to make a drum sound.
    setenv("JACK_NO_START_SERVER", "1", 0);
    for (const char* name : {"alsa", "jack"}) {
        if (fluid_settings_setstr(m_settings, "audio.driver", name) != FLUID_OK) continue;
        m_driver = new_fluid_audio_driver2(m_settings, &BuiltinSynth::AudioCallback, this);
        if (m_driver != nullptr) {
            m_driverName = name;
            return;
        }
    }
    OpenPulse();
}

void BuiltinSynth::OpenPulse() {
    // Ours rather than FluidSynth's: that one renders a period ahead and then waits for room
    // with it, so each stroke waits behind a period rendered before it came.
    m_driverName = "pulseaudio";
    m_pulse = std::make_unique<PulseOutput>(
        kSampleRate, kPeriodSize, kPeriods,
        [this](float* left, float* right, int frames) {
            RenderPeriod(left, right, frames);
            return !Resting();
        },
        [this](PulseOutput::State state) { PulseStateChanged(state); });
}

void BuiltinSynth::PulseStateChanged(PulseOutput::State state) {
    // Voices started before the server went away were never heard: they do not sound late.
    if (state == PulseOutput::State::Playing) fluid_synth_all_sounds_off(m_synth, -1);
    std::lock_guard lock(m_listenerMutex);
    if (m_audioListener) m_audioListener();
}

SynthAudio BuiltinSynth::Audio() const {
    if (!m_withAudio) return SynthAudio::Offline;
    if (m_driver != nullptr) return SynthAudio::Playing;
    if (m_pulse == nullptr) return SynthAudio::NoServer;
    switch (m_pulse->CurrentState()) {
    case PulseOutput::State::Connecting: return SynthAudio::Connecting;
    case PulseOutput::State::NoServer: return SynthAudio::NoServer;
    case PulseOutput::State::Playing: return SynthAudio::Playing;
    }
    return SynthAudio::NoServer;
}

void BuiltinSynth::SetAudioListener(std::function<void()> listener) {
    std::lock_guard lock(m_listenerMutex);
    m_audioListener = std::move(listener);
}

BuiltinSynth::~BuiltinSynth() {
    {
        std::lock_guard lock(m_restMutex);
        m_closing = true;
    }
    m_restWake.notify_all();
    m_pulse.reset();
    if (m_driver != nullptr) delete_fluid_audio_driver(m_driver);
    if (m_synth != nullptr) delete_fluid_synth(m_synth);
    if (m_settings != nullptr) delete_fluid_settings(m_settings);
}

double BuiltinSynth::OutputLatencyMs() const {
    if (m_driver == nullptr && m_pulse == nullptr) return 0.0;
    int periodSize = 0;
    int periods = 0;
    double rate = 0.0;
    fluid_settings_getint(m_settings, "audio.period-size", &periodSize);
    fluid_settings_getint(m_settings, "audio.periods", &periods);
    fluid_settings_getnum(m_settings, "synth.sample-rate", &rate);
    return rate > 0.0 ? 1000.0 * periodSize * periods / rate : 0.0;
}

void BuiltinSynth::ShortMsg(uint32_t message) {
    if (m_synth == nullptr) return;
    const int status = int(message & 0xFF);
    const int data1 = int((message >> 8) & 0x7F);
    const int data2 = int((message >> 16) & 0x7F);
    const int channel = status & 0x0F;
    const bool noteOn = (status & 0xF0) == 0x90 && data2 > 0;
    // Without a server to play to, a stroke is lost, not kept to sound when one comes back.
    if (noteOn && m_pulse != nullptr && !m_pulse->Ready()) return;
    switch (status & 0xF0) {
    case 0x80: fluid_synth_noteoff(m_synth, channel, data1); break;
    case 0x90: fluid_synth_noteon(m_synth, channel, data1, data2); break;  // velocity 0 is a note-off
    case 0xA0: fluid_synth_key_pressure(m_synth, channel, data1, data2); break;
    case 0xB0: fluid_synth_cc(m_synth, channel, data1, data2); break;
    case 0xC0: fluid_synth_program_change(m_synth, channel, data1); break;
    case 0xD0: fluid_synth_channel_pressure(m_synth, channel, data1); break;
    case 0xE0: fluid_synth_pitch_bend(m_synth, channel, data1 | (data2 << 7)); break;
    default: return;  // data bytes without a status (no running status) and system messages
    }
    Wake(noteOn);
}

void BuiltinSynth::Reset() {
    if (m_synth == nullptr) return;
    for (int channel = 0; channel < 16; ++channel) {
        fluid_synth_cc(m_synth, channel, 64, 0);   // sustain off first, so the notes really end
        fluid_synth_cc(m_synth, channel, 123, 0);  // all notes off
    }
    fluid_synth_system_reset(m_synth);
    // The reset alone lets the voices ring out through their release phase; this cuts them off
    // (in this order: a reset issued afterwards would not).
    fluid_synth_all_sounds_off(m_synth, -1);
    Wake(false);
}

void BuiltinSynth::Render(float* left, float* right, int frames) {
    if (frames <= 0) return;
    if (m_synth == nullptr) {
        std::fill(left, left + frames, 0.0f);
        std::fill(right, right + frames, 0.0f);
        return;
    }
    fluid_synth_write_float(m_synth, frames, left, 0, 1, right, 0, 1);
}

void BuiltinSynth::Wake(bool startsSound) {
    // Sequentially consistent with the audio thread's store of m_resting and its load of
    // m_woken: either this sees it resting and wakes it, or it sees the message and stays up.
    m_woken.store(true);
    if (m_pulse != nullptr) {
        m_pulse->Fill(startsSound);
        return;
    }
    if (m_resting.load()) {
        std::lock_guard lock(m_restMutex);
        m_restWake.notify_one();
    }
}

int BuiltinSynth::AudioCallback(void* data, int len, int, float*[], int nout, float* out[]) {
    auto* self = static_cast<BuiltinSynth*>(data);
    if (nout < 2 || len <= 0) return FLUID_OK;
    self->RenderPeriod(out[0], out[1], len);
    if (self->Resting()) {
        // Feeding silence costs the audio server and this process a round of wake-ups every
        // period. While resting the thread sleeps until a message (or now and then, so the
        // stream is not given up); the server plays silence meanwhile, and the first period
        // after a message starts the stream again within its small buffer.
        std::unique_lock lock(self->m_restMutex);
        self->m_restWake.wait_for(lock, std::chrono::milliseconds(500), [self] {
            return self->m_closing || self->m_woken.load();
        });
    }
    return FLUID_OK;
}

void BuiltinSynth::RenderPeriod(float* left, float* right, int frames) {
    // Below -100 dBFS with no voice left: the reverb and chorus tail has rung out, and
    // synthesizing more would only compute silence. The output rests only after two seconds
    // of that, since starting the stream again costs the first stroke a few milliseconds: a
    // player striking pads keeps it running, an idle program lets it sleep.
    constexpr float kSilence = 1e-5f;
    const int64_t restAfter = int64_t(kSampleRate * 2);
    if (m_woken.exchange(false, std::memory_order_relaxed)) m_quietFrames = 0;
    if (m_quietFrames >= restAfter && fluid_synth_get_active_voice_count(m_synth) == 0) {
        m_resting.store(true);
        return;
    }
    m_resting.store(false, std::memory_order_relaxed);
    fluid_synth_write_float(m_synth, frames, left, 0, 1, right, 0, 1);
    float peak = 0.0f;
    for (int i = 0; i < frames; ++i) peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
    if (peak < kSilence && fluid_synth_get_active_voice_count(m_synth) == 0) {
        m_quietFrames += frames;
    } else {
        m_quietFrames = 0;
    }
}

}  // namespace marble::linux_platform
