// ALSA sequencer output ports, reached through RtMidi.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class RtMidiOut;

namespace marble::linux_platform {

/// Names of the ALSA sequencer's writable ports ("client:port cid:pid"), in RtMidi's order.
/// Empty when the sequencer is missing (no /dev/snd/seq) or cannot be opened.
std::vector<std::string> ListAlsaPorts();

/// One open connection to an ALSA sequencer port. Errors never throw out of it: a port that
/// cannot be opened, or a send that fails, swallows the message.
class AlsaPort {
public:
    /// Connects to the port named `name` (looked up anew, since port numbers move between
    /// listings), or to port number `fallbackIndex` when that name is gone.
    AlsaPort(const std::string& name, unsigned fallbackIndex);
    ~AlsaPort();
    AlsaPort(const AlsaPort&) = delete;
    AlsaPort& operator=(const AlsaPort&) = delete;

    bool IsOpen() const { return m_open; }
    /// Sends `size` bytes as one MIDI message.
    void Send(const uint8_t* bytes, size_t size);

private:
    std::unique_ptr<RtMidiOut> m_out;
    bool m_open = false;
};

}  // namespace marble::linux_platform
