// Shared helpers of the drum pad core tests: a fake platform with a window built on it.
#pragma once

#include "core/Unit2.h"
#include "platform/fake/fake_platform.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace marble::testing {

inline constexpr WindowHandle kWindow = 0x1234;
inline constexpr const char* kIniFile = "/opt/marble/marbleStomper.ini";

/// A MIDI short message, taken apart.
struct Msg {
    uint32_t status;
    uint32_t note;
    uint32_t velocity;
    bool operator==(const Msg&) const = default;
};

inline Msg Decode(uint32_t word) { return {word & 0xFF, (word >> 8) & 0xFF, (word >> 16) & 0xFF}; }

inline std::vector<Msg> Decode(const std::vector<uint32_t>& words) {
    std::vector<Msg> result;
    for (uint32_t w : words) result.push_back(Decode(w));
    return result;
}

/// A fake platform with `devices` MIDI outputs and the main window built on it.
struct DrumPad {
    explicit DrumPad(int devices = 2) {
        for (int i = 0; i < devices; ++i) platform.AddDevice("Synth " + std::to_string(i));
    }
    ~DrumPad() { Close(); }

    TForm2& Open() {
        form = std::make_unique<TForm2>(platform, kWindow);
        return *form;
    }
    void Close() { form.reset(); }

    /// One scanner tick.
    void Tick() { platform.FireWindowTimer(0); }
    /// The messages sent since the last call.
    std::vector<Msg> TakeMessages() {
        std::vector<Msg> result = Decode(platform.ShortMessages());
        platform.ClearCalls();
        return result;
    }

    FakePlatform platform;
    std::unique_ptr<TForm2> form;
};

}  // namespace marble::testing
