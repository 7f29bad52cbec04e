#include "linux_midi_out.h"

#include "alsa_ports.h"
#include "builtin_synth.h"

#include <algorithm>
#include <cstring>

namespace marble::linux_platform {

namespace {

// A port on the one built-in synthesizer: opening and closing it leaves the synthesizer (and
// its loaded soundfont) alone, so switching devices back and forth costs nothing.
class SynthPort : public LinuxMidiOut::Port {
public:
    explicit SynthPort(BuiltinSynth& synth) : m_synth(synth) {}
    void ShortMsg(uint32_t message) override { m_synth.ShortMsg(message); }
    void Reset() override { m_synth.Reset(); }

private:
    BuiltinSynth& m_synth;
};

class AlsaOutPort : public LinuxMidiOut::Port {
public:
    AlsaOutPort(const std::string& name, unsigned index) : m_port(name, index) {}
    bool IsOpen() const { return m_port.IsOpen(); }
    void ShortMsg(uint32_t message) override {
        uint8_t bytes[3];
        const size_t n = ShortMessageBytes(message, bytes);
        m_port.Send(bytes, n);
        if (n == 3) Track(bytes);
    }
    // Sustain off, All Notes Off and All Sound Off on every channel, then a note-off for each
    // note sent and not ended: some devices ignore the channel messages.
    void Reset() override {
        for (uint8_t channel = 0; channel < 16; ++channel) {
            for (uint8_t controller : {64, 123, 120}) {
                const uint8_t message[3] = {uint8_t(0xB0 | channel), controller, 0};
                m_port.Send(message, 3);
            }
            for (uint8_t note = 0; note < 128; ++note) {
                if (!m_sounding[channel][note]) continue;
                const uint8_t noteOff[3] = {uint8_t(0x80 | channel), note, 0};
                m_port.Send(noteOff, 3);
                m_sounding[channel][note] = false;
            }
        }
    }

private:
    void Track(const uint8_t bytes[3]) {
        const uint8_t kind = bytes[0] & 0xF0;
        if (kind == 0x90 || kind == 0x80) m_sounding[bytes[0] & 0x0F][bytes[1]] = kind == 0x90 && bytes[2] != 0;
    }

    AlsaPort m_port;
    bool m_sounding[16][128] = {};
};

void CopyName(char (&field)[32], const std::string& name) {
    const size_t n = std::min(name.size(), sizeof field - 1);
    std::memcpy(field, name.data(), n);
    field[n] = '\0';
}

}  // namespace

size_t ShortMessageBytes(uint32_t message, uint8_t bytes[3]) {
    const uint8_t status = uint8_t(message & 0xFF);
    bytes[0] = status;
    bytes[1] = uint8_t((message >> 8) & 0x7F);
    bytes[2] = uint8_t((message >> 16) & 0x7F);
    if (status < 0x80) return 0;
    switch (status & 0xF0) {
    case 0xC0:
    case 0xD0: return 2;
    case 0xF0: break;
    default: return 3;
    }
    switch (status) {
    case 0xF1:
    case 0xF3: return 2;
    case 0xF2: return 3;
    case 0xF0:
    case 0xF7: return 0;
    default: return 1;  // tune request and real-time messages
    }
}

LinuxMidiOut::LinuxMidiOut() : LinuxMidiOut(Options{}) {}

LinuxMidiOut::LinuxMidiOut(Options options) : m_options(std::move(options)) {
    if (m_options.builtinSynth) m_soundFont = m_options.soundFont.empty() ? FindSoundFont() : m_options.soundFont;
}

LinuxMidiOut::~LinuxMidiOut() = default;

void LinuxMidiOut::Refresh() {
    m_devices.clear();
    if (m_options.builtinSynth) {
        // Made once, at the first listing, and kept for the program's life.
        if (!m_synth && !m_soundFont.empty()) {
            m_synth = std::make_unique<BuiltinSynth>(m_soundFont, m_options.synthAudio);
            if (m_onSynthChanged) m_synth->SetAudioListener(m_onSynthChanged);
        }
        m_devices.push_back({Kind::Synth, {}, 0});
    }
    if (m_options.alsaPorts) {
        const std::vector<std::string> ports = ListAlsaPorts();
        for (unsigned i = 0; i < ports.size(); ++i) m_devices.push_back({Kind::Alsa, ports[i], i});
    }
    m_listed = true;
}

uint32_t LinuxMidiOut::midiOutGetNumDevs() {
    Refresh();
    return uint32_t(m_devices.size());
}

uint32_t LinuxMidiOut::midiOutGetDevCapsA(uintptr_t deviceId, MidiOutCaps& caps, uint32_t size) {
    if (!m_listed) Refresh();
    if (deviceId == uintptr_t(-1) || deviceId == MIDI_MAPPER) deviceId = 0;
    if (deviceId >= m_devices.size()) return MMSYSERR_BADDEVICEID;
    if (size == 0) return MMSYSERR_INVALPARAM;
    const Device& device = m_devices[deviceId];
    MidiOutCaps filled;
    filled.wMid = MM_UNMAPPED;
    filled.wPid = MM_UNMAPPED;
    filled.vDriverVersion = 0x0100;
    CopyName(filled.szPname, device.kind == Kind::Synth ? BuiltinSynthName() : device.name);
    filled.wTechnology = device.kind == Kind::Synth ? MOD_SWSYNTH : MOD_MIDIPORT;
    filled.wVoices = device.kind == Kind::Synth ? 256 : 0;
    filled.wNotes = device.kind == Kind::Synth ? 256 : 0;
    filled.wChannelMask = 0xFFFF;
    // A short record gets the part that fits, as winmm does.
    std::memcpy(&caps, &filled, std::min<size_t>(size, sizeof filled));
    return MMSYSERR_NOERROR;
}

uint32_t LinuxMidiOut::midiOutOpen(MidiHandle& handle, uint32_t deviceId, uintptr_t, uintptr_t, uint32_t) {
    handle = 0;
    if (!m_listed) Refresh();
    if (deviceId == MIDI_MAPPER) deviceId = 0;
    if (deviceId >= m_devices.size()) return MMSYSERR_BADDEVICEID;
    const Device& device = m_devices[deviceId];
    std::unique_ptr<Port> port;
    if (device.kind == Kind::Synth) {
        if (!m_synth || !m_synth->Loaded()) return MMSYSERR_ERROR;
        port = std::make_unique<SynthPort>(*m_synth);
    } else {
        auto alsa = std::make_unique<AlsaOutPort>(device.name, device.alsaIndex);
        if (!alsa->IsOpen()) return MMSYSERR_ERROR;
        port = std::move(alsa);
    }
    handle = m_nextHandle++;
    m_open.emplace(handle, std::move(port));
    return MMSYSERR_NOERROR;
}

BuiltinSynth* LinuxMidiOut::Synth() const { return m_synth.get(); }

std::string LinuxMidiOut::BuiltinSynthName() const {
    if (!m_synth || !m_synth->Loaded()) return kBuiltinSynthNoSoundFontName;
    switch (m_synth->Audio()) {
    case SynthAudio::Connecting: return kBuiltinSynthConnectingName;
    case SynthAudio::NoServer: return kBuiltinSynthNoServerName;
    case SynthAudio::Offline:
    case SynthAudio::Playing: break;
    }
    return kBuiltinSynthName;
}

std::string LinuxMidiOut::BuiltinSynthLine() const {
    if (!m_options.builtinSynth) return {};
    if (!m_synth || !m_synth->Loaded()) return std::string(kBuiltinSynthNoSoundFontName) + ", install " + kSoundFontPackage;
    return BuiltinSynthName();
}

bool LinuxMidiOut::IsBuiltinSynthName(const std::string& name) {
    for (const char* known : {kBuiltinSynthName, kBuiltinSynthConnectingName, kBuiltinSynthNoServerName,
                              kBuiltinSynthNoSoundFontName}) {
        if (name == known) return true;
    }
    return false;
}

void LinuxMidiOut::SetOnBuiltinSynthChanged(std::function<void()> changed) {
    m_onSynthChanged = std::move(changed);
    if (m_synth) m_synth->SetAudioListener(m_onSynthChanged);
}

LinuxMidiOut::Port* LinuxMidiOut::PortOf(MidiHandle handle) const {
    const auto it = m_open.find(handle);
    return it == m_open.end() ? nullptr : it->second.get();
}

uint32_t LinuxMidiOut::midiOutShortMsg(MidiHandle handle, uint32_t message) {
    Port* port = PortOf(handle);
    if (port == nullptr) return MMSYSERR_INVALHANDLE;
    port->ShortMsg(message);
    return MMSYSERR_NOERROR;
}

uint32_t LinuxMidiOut::midiOutReset(MidiHandle handle) {
    Port* port = PortOf(handle);
    if (port == nullptr) return MMSYSERR_INVALHANDLE;
    port->Reset();
    return MMSYSERR_NOERROR;
}

uint32_t LinuxMidiOut::midiOutClose(MidiHandle handle) {
    return m_open.erase(handle) == 1 ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}

}  // namespace marble::linux_platform
