#include "alsa_ports.h"

#include <RtMidi.h>

#include <filesystem>
#include <system_error>

namespace marble::linux_platform {

namespace {

constexpr const char* kClientName = "marbleStomper";

// RtMidi reports warnings through this callback instead of printing them, and with a callback
// installed it no longer throws from sends; the program reports nothing, so it does nothing.
void IgnoreRtMidiError(RtMidiError::Type, const std::string&, void*) {}

// RtMidi prints to stderr and throws from its constructor when the sequencer device is missing;
// checking first keeps a machine without it quiet.
bool SequencerPresent() {
    std::error_code ec;
    return std::filesystem::exists("/dev/snd/seq", ec);
}

std::unique_ptr<RtMidiOut> NewClient() {
    if (!SequencerPresent()) return nullptr;
    try {
        auto out = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, kClientName);
        out->setErrorCallback(&IgnoreRtMidiError, nullptr);
        return out;
    } catch (const std::exception&) {
        return nullptr;
    }
}

}  // namespace

std::vector<std::string> ListAlsaPorts() {
    std::vector<std::string> names;
    std::unique_ptr<RtMidiOut> out = NewClient();
    if (!out) return names;
    try {
        const unsigned count = out->getPortCount();
        for (unsigned i = 0; i < count; ++i) names.push_back(out->getPortName(i));
    } catch (const std::exception&) {
    }
    return names;
}

AlsaPort::AlsaPort(const std::string& name, unsigned fallbackIndex) : m_out(NewClient()) {
    if (!m_out) return;
    try {
        unsigned index = fallbackIndex;
        const unsigned count = m_out->getPortCount();
        for (unsigned i = 0; i < count; ++i) {
            if (m_out->getPortName(i) == name) {
                index = i;
                break;
            }
        }
        if (index >= count) return;
        m_out->openPort(index, "out");
        m_open = m_out->isPortOpen();
    } catch (const std::exception&) {
        m_open = false;
    }
}

AlsaPort::~AlsaPort() {
    if (!m_out) return;
    try {
        m_out->closePort();
    } catch (const std::exception&) {
    }
}

void AlsaPort::Send(const uint8_t* bytes, size_t size) {
    if (!m_open || size == 0) return;
    try {
        m_out->sendMessage(bytes, size);
    } catch (const std::exception&) {
    }
}

}  // namespace marble::linux_platform
