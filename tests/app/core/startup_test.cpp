// Start-up and shutdown of the main window, its layout, and the MIDI device list.
#include "core/Unit3.h"
#include "core_test_support.h"

#include <gtest/gtest.h>

namespace marble::testing {
namespace {

std::string Read(const std::string& key) {
    return "GetPrivateProfileStringA(\"marbleStomper\", \"" + key + "\", \"\", size=2048, \"" + kIniFile + "\")";
}

std::string Write(const std::string& key, const std::string& value) {
    return "WritePrivateProfileStringA(\"marbleStomper\", \"" + key + "\", \"" + value + "\", \"" + kIniFile +
           "\")";
}

TEST(Startup, CallsThePlatformInOrder) {
    DrumPad pad(2);
    TForm2& form = pad.Open();
    EXPECT_EQ(Form2, &form);

    const std::vector<std::string> expected = {
        Read("Num0"), Read("Num."), Read("Num1"), Read("Num2"), Read("Num3"), Read("Num4"), Read("Num5"),
        Read("Num6"), Read("Num7"), Read("Num8"), Read("Num9"), Read("Top"), Read("Left"),
        "timeSetEvent(1, 500, cb, user=0, flags=1)",
        "SetTimer(wnd=4660, id=0, 10, proc)",
        "midiOutGetNumDevs()",
        "midiOutGetDevCapsA(0, size=52)",
        "midiOutGetDevCapsA(1, size=52)",
        Read("MIDI"),
        "midiOutOpen(dev=0, cb=4660, inst=0, flags=0x10000)",
    };
    EXPECT_EQ(pad.platform.Calls(), expected);
    EXPECT_EQ(form.Tempo(), 125);
    EXPECT_EQ(form.BarCounter(), 0);
    EXPECT_EQ(form.SettingsFileName(), kIniFile);
    ASSERT_NE(form.IndicatorBitmap(), nullptr);
    EXPECT_EQ(form.IndicatorBitmap()->Width(), 200);
    EXPECT_EQ(form.IndicatorBitmap()->Height(), 11);
    EXPECT_EQ(form.IndicatorBitmap()->PixelFormat(), lumarix::TPixelFormat::pf32bit);
    EXPECT_EQ(form.MidiOutHandle(), FakePlatform::HandleOfOpen(0));
}

TEST(Startup, ShutdownWritesSettingsThenStopsEverything) {
    DrumPad pad(2);
    pad.Open();
    pad.platform.FireClock();  // the clock reports its identifier
    pad.platform.ClearCalls();
    pad.Close();

    const std::vector<std::string> expected = {
        Write("Top", "0"), Write("Left", "0"), Write("MIDI", "0"),
        Write("Num0", "35"), Write("Num.", "34"), Write("Num1", "36"), Write("Num2", "37"), Write("Num3", "38"),
        Write("Num4", "39"), Write("Num5", "40"), Write("Num6", "41"), Write("Num7", "42"), Write("Num8", "43"),
        Write("Num9", "44"),
        std::string("WritePrivateProfileStringA(null, null, null, \"") + kIniFile + "\")",
        "KillTimer(wnd=4660, id=0)",
        "timeKillEvent(7)",
        "midiOutReset(h=256)",
        "midiOutClose(h=256)",
    };
    EXPECT_EQ(pad.platform.Calls(), expected);
    EXPECT_EQ(Form2, nullptr);
    EXPECT_FALSE(pad.platform.ClockRunning());
    EXPECT_FALSE(pad.platform.WindowTimerRunning(0));
    EXPECT_TRUE(pad.platform.ErrorBoxes().empty());
}

TEST(Startup, ClockThatNeverTickedIsStillStopped) {
    // A stale identifier from an earlier window must not be what shutdown stops.
    ClockTimerID.store(99);
    DrumPad pad(1);
    pad.platform.nextClockId = 31;
    pad.Open();
    pad.Close();
    EXPECT_EQ(pad.platform.CallsNamed("timeKillEvent"), std::vector<std::string>{"timeKillEvent(31)"});
    EXPECT_FALSE(pad.platform.ClockRunning());
}

TEST(Startup, WindowLayoutMatchesTheDesign) {
    DrumPad pad;
    TForm2& form = pad.Open();
    EXPECT_EQ(form.Caption, "marbleStomper");
    EXPECT_EQ(form.ClientWidth, 200);
    EXPECT_EQ(form.ClientHeight, 146);
    EXPECT_EQ(form.BorderStyle, TFormBorderStyle::bsSingle);
    EXPECT_EQ(form.BorderIcons, biSystemMenu | biMinimize);
    EXPECT_EQ(form.Color, lumarix::clBtnFace);
    EXPECT_EQ(form.Font.Name, "Tahoma");
    EXPECT_EQ(form.Font.PixelHeight(), 11);

    struct Expect {
        const char* name;
        int left, top, width, height, tabOrder;
        const char* parent;
    };
    const Expect expected[] = {
        {"Panel1", 0, 0, 200, 23, 0, nullptr},      {"ComboBox1", 1, 1, 146, 21, 0, "Panel1"},
        {"Edit12", 147, 1, 52, 21, 1, "Panel1"},    {"UpDown12", 181, 1, 16, 21, 2, "Panel1"},
        {"PaintBox1", 0, 23, 200, 11, -1, nullptr}, {"Label2", 136, 119, 4, 13, -1, nullptr},
        {"Edit1", 18, 116, 33, 21, 1, nullptr},     {"UpDown1", 51, 116, 16, 21, 2, nullptr},
        {"UpDown2", 176, 116, 16, 21, 3, nullptr},  {"Edit2", 142, 116, 33, 21, 4, nullptr},
        {"UpDown3", 51, 89, 16, 21, 5, nullptr},    {"Edit3", 18, 89, 33, 21, 6, nullptr},
        {"Label7", 73, 65, 6, 13, -1, nullptr},     {"UpDown11", 175, 35, 16, 21, 21, nullptr},
        {"Edit11", 142, 35, 33, 21, 22, nullptr},
    };
    for (const Expect& e : expected) {
        SCOPED_TRACE(e.name);
        const TControl* c = form.FindControl(e.name);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->Left, e.left);
        EXPECT_EQ(c->Top, e.top);
        EXPECT_EQ(c->Width, e.width);
        EXPECT_EQ(c->Height, e.height);
        EXPECT_EQ(c->TabOrder, e.tabOrder);
        EXPECT_EQ(c->Parent == nullptr ? std::string() : c->Parent->Name, e.parent ? e.parent : "");
    }
    // 1 panel, 1 list, 1 tempo edit, 1 tempo spin, 1 strip and 3 controls per pad.
    EXPECT_EQ(form.Controls().size(), 5u + 3u * 11u);
    const char* captions[] = {"0", ".", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    for (int i = 0; i < kPadCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(form.Pads[size_t(i)].Label->Caption, captions[i]);
        EXPECT_TRUE(form.Pads[size_t(i)].Edit->ReadOnly);
        EXPECT_EQ(form.Pads[size_t(i)].Edit->Font.Color, lumarix::clGrayText);
        EXPECT_EQ(form.Pads[size_t(i)].UpDown->Associate(), form.Pads[size_t(i)].Edit);
        EXPECT_EQ(form.Pads[size_t(i)].UpDown->Min(), 0);
        EXPECT_EQ(form.Pads[size_t(i)].UpDown->Max(), 127);
    }
    EXPECT_EQ(form.Edit12->Text(), "125");
    EXPECT_EQ(form.Edit12->Hint, "Tempo");
    EXPECT_EQ(form.UpDown12->Associate(), form.Edit12);
    EXPECT_EQ(form.UpDown12->Min(), 20);
    EXPECT_EQ(form.UpDown12->Max(), 250);
}

TEST(Startup, SecondWindowIsBuiltAndNeverShown) {
    auto form3 = std::make_unique<TForm3>();
    EXPECT_EQ(Form3, form3.get());
    EXPECT_EQ(form3->Caption, "Form3");
    EXPECT_EQ(form3->ClientWidth, 643);
    EXPECT_EQ(form3->ClientHeight, 304);
    EXPECT_FALSE(form3->Visible);
    EXPECT_TRUE(form3->Controls().empty());
    form3.reset();
    EXPECT_EQ(Form3, nullptr);
}

TEST(DeviceList, FailingCapabilityQueryShiftsLaterDevicesUp) {
    DrumPad pad(0);
    pad.platform.AddDevice("Alpha");
    pad.platform.AddDevice("Broken", true);
    pad.platform.AddDevice("Gamma");
    pad.platform.AddDevice("A name of exactly thirty-two ch.");  // fills the field, no terminator
    TForm2& form = pad.Open();
    EXPECT_EQ(form.ComboBox1->Items(),
              (std::vector<std::string>{"Alpha", "Gamma", "A name of exactly thirty-two ch."}));
    EXPECT_EQ(form.ComboBox1->ItemIndex(), 0);

    // Line 1 shows "Gamma" (device 2) but opens device 1: the line is the identifier.
    pad.platform.ClearCalls();
    form.ComboBox1->UserSelect(1);
    EXPECT_EQ(pad.platform.Calls(), (std::vector<std::string>{
                                        "midiOutClose(h=256)",
                                        "midiOutOpen(dev=1, cb=4660, inst=0, flags=0x10000)",
                                    }));
    EXPECT_EQ(form.MidiOutHandle(), FakePlatform::HandleOfOpen(1));
    // Picking the line already selected changes nothing.
    pad.platform.ClearCalls();
    form.ComboBox1->UserSelect(1);
    form.ComboBox1->UserSelect(7);
    EXPECT_TRUE(pad.platform.Calls().empty());
}

TEST(DeviceList, NoSelectionOpensTheMapper) {
    struct Case {
        int devices;
        const char* stored;  // null = no settings file
    };
    for (const Case c : {Case{0, nullptr}, Case{3, "7"}, Case{3, "3"}, Case{3, "-1"}, Case{3, "-5"}}) {
        SCOPED_TRACE(std::to_string(c.devices) + " devices, MIDI=" + (c.stored ? c.stored : "missing"));
        DrumPad pad(c.devices);
        if (c.stored) pad.platform.SetProfileValue(kIniFile, "marbleStomper", "MIDI", c.stored);
        TForm2& form = pad.Open();
        EXPECT_EQ(form.ComboBox1->ItemIndex(), -1);
        EXPECT_EQ(pad.platform.CallsNamed("midiOutOpen"),
                  std::vector<std::string>{"midiOutOpen(dev=-1, cb=4660, inst=0, flags=0x10000)"});
        pad.Close();
        EXPECT_EQ(pad.platform.ProfileValue(kIniFile, "marbleStomper", "MIDI"), "-1");
    }
}

TEST(DeviceList, StoredLineIsSelectedWithoutChangeEvent) {
    DrumPad pad(3);
    pad.platform.SetProfileValue(kIniFile, "marbleStomper", "MIDI", "2");
    TForm2& form = pad.Open();
    EXPECT_EQ(form.ComboBox1->ItemIndex(), 2);
    // One open, no close: selecting in code raised no ComboBox1Change.
    EXPECT_EQ(pad.platform.CallsNamed("midiOutOpen"),
              std::vector<std::string>{"midiOutOpen(dev=2, cb=4660, inst=0, flags=0x10000)"});
    EXPECT_TRUE(pad.platform.CallsNamed("midiOutClose").empty());
}

TEST(DeviceList, SwitchingDoesNotSilenceTheOldPort) {
    DrumPad pad(2);
    TForm2& form = pad.Open();
    pad.platform.SetKey(0x65, true);
    pad.Tick();
    pad.platform.ClearCalls();
    form.ComboBox1->UserSelect(1);
    EXPECT_TRUE(pad.platform.CallsNamed("midiOutReset").empty());
    EXPECT_TRUE(pad.platform.ShortMessages().empty());
    // The release goes to the new port.
    pad.platform.SetKey(0x65, false);
    pad.Tick();
    EXPECT_EQ(pad.platform.CallsNamed("midiOutShortMsg"), std::vector<std::string>{"midiOutShortMsg(h=257, 0x7f2889)"});
}

}  // namespace
}  // namespace marble::testing
