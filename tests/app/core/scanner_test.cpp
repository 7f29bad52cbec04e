// The keypad scanner, the key-up note-off and the audition of a changed note.
#include "core_test_support.h"

#include <gtest/gtest.h>

#include <random>

namespace marble::testing {
namespace {

constexpr uint16_t kKeypad5 = 0x65;

TEST(Scanner, HeldKeyPlaysOneNoteOnAndOneNoteOffOnRelease) {
    for (size_t i = 0; i < kPads.size(); ++i) {
        SCOPED_TRACE(kPads[i].settingsKey);
        DrumPad pad;
        pad.Open();
        pad.platform.ClearCalls();
        pad.platform.SetKey(kPads[i].key, true);
        for (int t = 0; t < 5; ++t) pad.Tick();
        const uint32_t note = uint32_t(kPads[i].defaultNote);
        EXPECT_EQ(pad.TakeMessages(), (std::vector<Msg>{{0x99, note, 127}}));
        pad.platform.SetKey(kPads[i].key, false);
        for (int t = 0; t < 5; ++t) pad.Tick();
        EXPECT_EQ(pad.TakeMessages(), (std::vector<Msg>{{0x89, note, 127}}));
    }
}

TEST(Scanner, EachTickPollsTheKeyboardThenSendsToTheOpenPort) {
    DrumPad pad;
    pad.Open();
    pad.platform.ClearCalls();
    pad.platform.SetKey(kKeypad5, true);
    pad.Tick();
    EXPECT_EQ(pad.platform.Calls(),
              (std::vector<std::string>{"GetKeyboardState()", "midiOutShortMsg(h=256, 0x7f2899)"}));
    // Only timer 0 is the scanner: another identifier does nothing at all.
    pad.platform.ClearCalls();
    pad.platform.SetKey(kKeypad5, false);
    pad.form->ScanPads(5);
    EXPECT_TRUE(pad.platform.Calls().empty());
}

TEST(Scanner, CtrlSoftensAndTheReleaseTickDecidesTheNoteOffVelocity) {
    struct Case {
        bool ctrlAtPress, ctrlAtRelease;
        uint32_t onVelocity, offVelocity;
    };
    for (const Case c : {Case{true, false, 82, 127}, Case{false, true, 127, 82}, Case{true, true, 82, 82}}) {
        SCOPED_TRACE(std::to_string(c.ctrlAtPress) + std::to_string(c.ctrlAtRelease));
        DrumPad pad;
        pad.Open();
        pad.platform.ClearCalls();
        pad.platform.SetKey(VK_CONTROL, c.ctrlAtPress);
        pad.platform.SetKey(kKeypad5, true);
        pad.Tick();
        pad.platform.SetKey(VK_CONTROL, c.ctrlAtRelease);
        pad.Tick();
        pad.platform.SetKey(kKeypad5, false);
        pad.Tick();
        EXPECT_EQ(pad.TakeMessages(), (std::vector<Msg>{{0x99, 40, c.onVelocity}, {0x89, 40, c.offVelocity}}));
    }
}

TEST(Scanner, StrokeBetweenTwoTicksSendsNothing) {
    DrumPad pad;
    pad.Open();
    pad.Tick();
    pad.platform.SetKey(kKeypad5, true);
    pad.platform.SetKey(kKeypad5, false);  // down and up before the next tick
    pad.platform.ClearCalls();
    pad.Tick();
    EXPECT_TRUE(pad.platform.ShortMessages().empty());
}

TEST(Scanner, VisitsPadsInScanOrder) {
    DrumPad pad;
    pad.Open();
    pad.platform.ClearCalls();
    for (const PadSpec& p : kPads) pad.platform.SetKey(p.key, true);
    pad.Tick();
    std::vector<Msg> expected;
    for (const PadSpec& p : kPads) expected.push_back({0x99, uint32_t(p.defaultNote), 127});
    EXPECT_EQ(pad.TakeMessages(), expected);
    pad.platform.ReleaseAllKeys();
    pad.Tick();
    expected.clear();
    for (const PadSpec& p : kPads) expected.push_back({0x89, uint32_t(p.defaultNote), 127});
    EXPECT_EQ(pad.TakeMessages(), expected);
}

TEST(Scanner, MatchesATwoStateModelOnRandomKeyScripts) {
    // Random key and Ctrl states over many ticks, checked against a plain per-pad state machine.
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        DrumPad pad;
        pad.Open();
        pad.platform.ClearCalls();
        bool sounding[kPadCount] = {};
        std::vector<Msg> expected;
        for (int tick = 0; tick < 200; ++tick) {
            const bool ctrl = rng() % 4 == 0;
            pad.platform.SetKey(VK_CONTROL, ctrl);
            bool down[kPadCount];
            for (int i = 0; i < kPadCount; ++i) {
                down[i] = rng() % 3 == 0;
                pad.platform.SetKey(kPads[size_t(i)].key, down[i]);
            }
            // Other keys never matter.
            pad.platform.SetKey(uint16_t(0x30 + rng() % 10), rng() % 2 == 0);
            pad.Tick();
            const uint32_t velocity = ctrl ? 82 : 127;
            for (int i = 0; i < kPadCount; ++i) {
                const uint32_t note = uint32_t(kPads[size_t(i)].defaultNote);
                if (down[i] && !sounding[i]) expected.push_back({0x99, note, velocity});
                if (!down[i] && sounding[i]) expected.push_back({0x89, note, velocity});
                sounding[i] = down[i];
            }
        }
        EXPECT_EQ(pad.TakeMessages(), expected);
    }
}

TEST(Scanner, NoteChangedWhileHeldGetsItsNoteOffForTheNewNote) {
    DrumPad pad;
    TForm2& form = pad.Open();
    pad.platform.SetKey(0x63, true);  // keypad 3, note 38
    pad.Tick();
    form.UpDown5->ClickButton(TUDBtnType::btNext);  // audition of 39
    pad.platform.ClearCalls();
    pad.Tick();
    EXPECT_TRUE(pad.platform.ShortMessages().empty());
    pad.platform.SetKey(0x63, false);
    pad.Tick();
    EXPECT_EQ(pad.TakeMessages(), (std::vector<Msg>{{0x89, 39, 127}}));
}

TEST(KeyUp, ExtraNoteOffForKeypadDigitsOnly) {
    for (uint32_t key = 0; key < 0x100; ++key) {
        DrumPad pad;
        TForm2& form = pad.Open();
        pad.platform.ClearCalls();
        uint16_t k = uint16_t(key);
        form.FormKeyUp(form.Edit5, k, 0);
        const std::vector<Msg> sent = pad.TakeMessages();
        if (key >= 0x60 && key <= 0x69) {
            SCOPED_TRACE(key);
            const int pad_ = PadIndexOfKey(uint16_t(key));
            ASSERT_GE(pad_, 0);
            EXPECT_EQ(sent, (std::vector<Msg>{{0x89, uint32_t(kPads[size_t(pad_)].defaultNote), 127}}));
        } else if (!sent.empty()) {
            ADD_FAILURE() << "key 0x" << std::hex << key << " sent a message";
        }
    }
}

TEST(KeyUp, ReleaseOverANoteEditGivesTwoNoteOffs) {
    DrumPad pad;
    TForm2& form = pad.Open();
    pad.platform.SetKey(VK_CONTROL, true);
    pad.platform.SetKey(0x63, true);
    pad.Tick();
    pad.platform.SetKey(0x63, false);
    pad.platform.ClearCalls();
    form.Edit5->KeyUp(0x63, ssCtrl);  // the focused note edit sees the key come up
    pad.Tick();
    EXPECT_EQ(pad.TakeMessages(), (std::vector<Msg>{{0x89, 38, 127}, {0x89, 38, 82}}));

    // The decimal point only gets the scanner's note-off, over any control.
    for (TWinControl* control : {static_cast<TWinControl*>(form.Edit2), static_cast<TWinControl*>(form.ComboBox1)}) {
        SCOPED_TRACE(control->Name);
        pad.platform.SetKey(VK_CONTROL, false);
        pad.platform.SetKey(VK_DECIMAL, true);
        pad.Tick();
        pad.platform.SetKey(VK_DECIMAL, false);
        pad.platform.ClearCalls();
        control->KeyUp(VK_DECIMAL, 0);
        pad.Tick();
        EXPECT_EQ(pad.TakeMessages(), (std::vector<Msg>{{0x89, 34, 127}}));
    }
    // The window's own key-up event runs the same handler; the tempo editor has none.
    pad.platform.ClearCalls();
    form.KeyUp(0x60, 0);
    form.ComboBox1->KeyUp(0x61, 0);
    form.Edit12->KeyUp(0x62, 0);
    EXPECT_EQ(pad.TakeMessages(), (std::vector<Msg>{{0x89, 35, 127}, {0x89, 36, 127}}));
}

TEST(Audition, ChangedNoteIsPlayedFor120Milliseconds) {
    DrumPad pad;
    TForm2& form = pad.Open();
    form.UpDown5->SetPosition(38);  // remembered value stays, nothing happens
    pad.platform.ClearCalls();
    EXPECT_TRUE(form.UpDown5->ClickButton(TUDBtnType::btNext));
    EXPECT_EQ(pad.platform.Calls(), (std::vector<std::string>{
                                        "midiOutShortMsg(h=256, 0x7f2799)",
                                        "Sleep(120)",
                                        "midiOutShortMsg(h=256, 0x7f2789)",
                                    }));
    EXPECT_EQ(form.Edit5->Text(), "39");

    // The Up and Down keys of the note edit step the spin buttons the same way.
    pad.platform.ClearCalls();
    form.Edit5->KeyDown(VK_DOWN, 0);
    EXPECT_EQ(pad.TakeMessages(), (std::vector<Msg>{{0x99, 38, 127}, {0x89, 38, 127}}));
    EXPECT_EQ(form.Edit5->Text(), "38");
}

TEST(Audition, NothingAtTheRangeLimit) {
    DrumPad pad;
    pad.platform.SetProfileValue(kIniFile, "marbleStomper", "Num3", "127");
    pad.platform.SetProfileValue(kIniFile, "marbleStomper", "Num4", "0");
    TForm2& form = pad.Open();
    pad.platform.ClearCalls();
    EXPECT_FALSE(form.UpDown5->ClickButton(TUDBtnType::btNext));
    EXPECT_FALSE(form.UpDown6->ClickButton(TUDBtnType::btPrev));
    form.Edit5->KeyDown(VK_UP, 0);
    EXPECT_TRUE(pad.platform.Calls().empty());
    EXPECT_EQ(form.Edit5->Text(), "127");
    EXPECT_EQ(form.Edit6->Text(), "0");
}

}  // namespace
}  // namespace marble::testing
