// Fuzzes the drum pad's core on the recording fake platform. The input becomes a start (devices,
// stored notes) and a sequence of user actions: scanner ticks with keyboard states (pads, Ctrl,
// NumLock, other keys), key changes between ticks, spin clicks, arrow keys on the note edits,
// key-ups over each control, tempo edits, device switches, clock ticks and window moves. Oracles,
// besides the sanitizers:
//   - every MIDI word is well formed: status 0x99 or 0x89, note 0..127, velocity 127 or 82,
//     nothing above bit 23;
//   - the words are those of a small model of the pads (scanner, key-up note-off, audition);
//   - with every key up and two more ticks, no note sounds except one left behind by a note
//     change while its pad was held (its note-off names the new note), and a third tick is silent;
//   - the settings written on close read back, in a new window, to the same notes, device line
//     and position.
#include "core/Unit2.h"
#include "platform/fake/fake_platform.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace marble;

constexpr WindowHandle kWindow = 0x1234;
constexpr uint16_t kNumLock = 0x90;

[[noreturn]] void Fail(const char* what, long long a = -1, long long b = -1) {
    std::fprintf(stderr, "core fuzz: %s (%lld, %lld)\n", what, a, b);
    std::abort();
}

class ActionInput {
public:
    ActionInput(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool Empty() const { return m_pos >= m_size; }
    uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    uint16_t U16() { return uint16_t(Byte() | (Byte() << 8)); }
    int32_t I32() { return int32_t(uint32_t(U16()) | (uint32_t(U16()) << 16)); }
    int Pick(int n) { return Byte() % n; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// ==== The model of the pads =====================================================================

/// What the pads must send, from the rules alone: the scanner's two-state machine per pad, the
/// key-up note-off for the keypad digits and the audition of a changed note.
struct PadModel {
    std::array<int32_t, kPadCount> note{};
    std::array<bool, kPadCount> sounding{};  // the scanner's flag
    std::array<bool, 256> keyDown{};
    std::vector<uint32_t> words;
    std::set<uint32_t> leftBehind;  // notes a held pad's note change may leave sounding

    static uint32_t Word(uint32_t status, int32_t note, int32_t velocity) {
        return status | uint32_t(note) << 8 | uint32_t(velocity) << 16;
    }
    void Tick() {
        const int32_t velocity = keyDown[VK_CONTROL] ? 82 : 127;
        for (int i = 0; i < kPadCount; ++i) {
            const bool down = keyDown[kPads[size_t(i)].key];
            if (down == sounding[size_t(i)]) continue;
            sounding[size_t(i)] = down;
            words.push_back(Word(down ? 0x99 : 0x89, note[size_t(i)], velocity));
        }
    }
    void Step(int pad, int delta) {
        const int32_t next = std::clamp(note[size_t(pad)] + delta, 0, 127);
        if (next == note[size_t(pad)]) return;
        if (sounding[size_t(pad)]) leftBehind.insert(uint32_t(note[size_t(pad)]));
        note[size_t(pad)] = next;
        words.push_back(Word(0x99, next, 127));
        words.push_back(Word(0x89, next, 127));
    }
    void KeyUpOverControl(uint16_t key) {
        if (key < VK_NUMPAD0 || key > VK_NUMPAD9) return;
        words.push_back(Word(0x89, note[size_t(PadIndexOfKey(key))], 127));
    }
};

// ==== Driving the window ========================================================================

struct Session {
    FakePlatform platform;
    std::unique_ptr<TForm2> form;
    PadModel model;
    int devices = 0;

    void Start(ActionInput& in) {
        devices = in.Pick(4);
        for (int i = 0; i < devices; ++i) platform.AddDevice("Synth " + std::to_string(i), in.Pick(4) == 0);
        const std::string ini = "/opt/marble/marbleStomper.ini";
        for (int i = 0; i < kPadCount; ++i) {
            model.note[size_t(i)] = kPads[size_t(i)].defaultNote;
            if (in.Pick(4) != 0) continue;
            // Stored notes outside 0..127 or 16 bits: the spin control reduces and clamps them.
            const int32_t stored = in.Pick(2) ? int32_t(in.Byte()) - 64 : in.I32();
            platform.SetProfileValue(ini, kSettingsSection, kPads[size_t(i)].settingsKey, std::to_string(stored));
            model.note[size_t(i)] = std::clamp<int32_t>(int16_t(uint16_t(uint32_t(stored))), 0, 127);
        }
        if (in.Pick(2)) platform.SetProfileValue(ini, kSettingsSection, "MIDI", std::to_string(in.Pick(6) - 1));
        form = std::make_unique<TForm2>(platform, kWindow);
    }

    void SetKey(uint16_t key, bool down) {
        platform.SetKey(key, down);
        model.keyDown[key] = down;
    }
    void Tick() {
        platform.FireWindowTimer(0);
        model.Tick();
    }

    // Pads 0..10 by bits 0..10, Ctrl bit 11, NumLock bit 12, another key bit 13.
    void SetKeyboard(uint16_t bits, uint16_t other) {
        for (int i = 0; i < kPadCount; ++i) SetKey(kPads[size_t(i)].key, (bits >> i) & 1);
        SetKey(VK_CONTROL, (bits >> 11) & 1);
        SetKey(kNumLock, (bits >> 12) & 1);
        if (PadIndexOfKey(other) < 0 && other != VK_CONTROL) SetKey(other, (bits >> 13) & 1);
    }

    // A key released while a control (or the window itself) holds the focus.
    void KeyUpOver(int control, uint16_t key) {
        TForm2& f = *form;
        const bool reportsKeyUp = control < kPadCount + 2;  // note edits, device list, window
        if (control < kPadCount) f.Pads[size_t(control)].Edit->KeyUp(key, 0);
        else if (control == kPadCount) f.ComboBox1->KeyUp(key, 0);
        else if (control == kPadCount + 1) f.KeyUp(key, 0);
        else if (control == kPadCount + 2) f.Edit12->KeyUp(key, 0);
        else if (control == kPadCount + 3) f.UpDown12->KeyUp(key, 0);
        else if (control == kPadCount + 4) f.Panel1->KeyUp(key, 0);
        else f.Pads[size_t(control - kPadCount - 5)].UpDown->KeyUp(key, 0);
        if (reportsKeyUp) model.KeyUpOverControl(key);
    }

    void Act(ActionInput& in) {
        TForm2& f = *form;
        switch (in.Pick(12)) {
            case 0:
            case 1:
            case 2: SetKeyboard(in.U16(), in.Byte()), Tick(); break;
            case 3: SetKeyboard(in.U16(), in.Byte()); break;  // a change between two ticks
            case 4: {
                const int pad = in.Pick(kPadCount);
                const bool up = in.Pick(2);
                f.Pads[size_t(pad)].UpDown->ClickButton(up ? TUDBtnType::btNext : TUDBtnType::btPrev);
                model.Step(pad, up ? 1 : -1);
                break;
            }
            case 5: {
                const int pad = in.Pick(kPadCount);
                const bool up = in.Pick(2);
                f.Pads[size_t(pad)].Edit->KeyDown(up ? VK_UP : VK_DOWN, 0);
                model.Step(pad, up ? 1 : -1);
                break;
            }
            case 6: {
                static constexpr uint16_t kKeys[] = {0x60, 0x61, 0x65, 0x69, VK_DECIMAL, VK_CONTROL, 0x5F, 0x6A};
                const int control = in.Pick(kPadCount * 2 + 5);
                const uint8_t k = in.Byte();
                KeyUpOver(control, k < 128 ? kKeys[k % std::size(kKeys)] : uint16_t(k | (in.Byte() << 8)));
                break;
            }
            case 7: {
                static const char* const kTexts[] = {"", "120", "300", "5", "0", "-7", "65561", "$FA", "0x20", " 99", "abc"};
                if (in.Pick(3) == 0) f.UpDown12->ClickButton(in.Pick(2) ? TUDBtnType::btNext : TUDBtnType::btPrev);
                else f.Edit12->UserSetText(kTexts[in.Pick(std::size(kTexts))]);
                break;
            }
            case 8: f.ComboBox1->UserSelect(in.Pick(devices + 2) - 1); break;
            case 9:
                for (int n = in.Pick(8); n > 0; --n) platform.FireClock();
                break;
            case 10: f.PaintBox1->Paint(); break;
            default:
                if (in.Pick(2)) f.SetLeft(in.I32());
                else f.SetTop(in.I32());
                break;
        }
    }
};

// ==== Oracles ===================================================================================

void CheckWords(const std::vector<uint32_t>& words, const std::vector<uint32_t>& expected) {
    for (size_t i = 0; i < words.size(); ++i) {
        const uint32_t w = words[i], status = w & 0xFF, note = (w >> 8) & 0xFF, velocity = (w >> 16) & 0xFF;
        if ((status != 0x99 && status != 0x89) || note > 127 || (velocity != 127 && velocity != 82) || (w >> 24) != 0)
            Fail("malformed MIDI word", (long long)i, w);
        if (i >= expected.size() || w != expected[i]) Fail("word differs from the model", (long long)i, w);
    }
    if (words.size() != expected.size()) Fail("fewer words than the model", (long long)words.size());
}

void CheckNothingLeftSounding(const std::vector<uint32_t>& words, const std::set<uint32_t>& leftBehind) {
    std::set<uint32_t> sounding;
    for (uint32_t w : words) {
        if ((w & 0xFF) == 0x99) sounding.insert((w >> 8) & 0xFF);
        else sounding.erase((w >> 8) & 0xFF);
    }
    for (uint32_t note : sounding)
        if (!leftBehind.count(note)) Fail("a note still sounds after every key is up", note);
}

struct Saved {
    std::array<int32_t, kPadCount> notes{};
    int32_t device = 0, left = 0, top = 0;
    bool operator==(const Saved&) const = default;
};

Saved SettingsOf(TForm2& f) {
    Saved s;
    for (int i = 0; i < kPadCount; ++i) s.notes[size_t(i)] = f.Pads[size_t(i)].UpDown->CurrentPosition();
    s.device = f.ComboBox1->ItemIndex(), s.left = f.Left(), s.top = f.Top();
    return s;
}

}  // namespace

// Each input builds two windows of some forty controls and frees them again: with ASan's default
// quarantine of 256 MB every allocation lands on fresh pages. 16 MB still holds everything an
// input frees, so a use after free within one input is still caught.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=16"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr int kMaxActions = 64;
    ActionInput in(data, size);
    Session session;
    session.Start(in);
    for (int i = 0; i < kMaxActions && !in.Empty(); ++i) session.Act(in);

    session.SetKeyboard(0, 0);
    session.Tick(), session.Tick();
    const std::vector<uint32_t> words = session.platform.ShortMessages();
    CheckWords(words, session.model.words);
    CheckNothingLeftSounding(words, session.model.leftBehind);
    session.Tick();
    if (session.platform.ShortMessages().size() != words.size()) Fail("a tick with every key up sent a message");

    const Saved before = SettingsOf(*session.form);
    session.form.reset();
    TForm2 again(session.platform, kWindow);
    if (!(SettingsOf(again) == before)) Fail("the settings did not read back", before.device, again.ComboBox1->ItemIndex());
    return 0;
}
