// The settings file: the integer conversion, the file name, and what the window reads and writes.
#include "core_test_support.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <random>

namespace marble::testing {
namespace {

TEST(IntegerConversion, KnownAnswers) {
    struct Case {
        const char* text;
        bool ok;
        int32_t value;
    };
    const Case cases[] = {
        {"0", true, 0},
        {"42", true, 42},
        {"  42", true, 42},
        {"+42", true, 42},
        {"-42", true, -42},
        {"007", true, 7},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, INT32_MIN},
        {"00000000002147483647", true, 2147483647},
        {"$2a", true, 42},
        {"$2A", true, 42},
        {"x2A", true, 42},
        {"X2a", true, 42},
        {"0x2A", true, 42},
        {"0X2a", true, 42},
        {"-$10", true, -16},
        {"+0x10", true, 16},
        {"$7FFFFFFF", true, 2147483647},
        {"$80000000", true, INT32_MIN},
        {"$FFFFFFFF", true, -1},
        {"$00000000FFFFFFFF", true, -1},  // leading zeros are not significant
        {"-$FFFFFFFF", true, 1},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"99999999999999999999", false, 0},
        {"$100000000", false, 0},
        {"", false, 0},
        {" ", false, 0},
        {"+", false, 0},
        {"-", false, 0},
        {"$", false, 0},
        {"0x", false, 0},
        {"x", false, 0},
        {"42a", false, 0},
        {"4 2", false, 0},
        {"42 ", false, 0},
        {"\t42", false, 0},
        {"--1", false, 0},
        {"+-1", false, 0},
        {"$-1", false, 0},
        {"$G", false, 0},
        {"1e3", false, 0},
        {"0x0x1", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\"");
        int32_t value = 12345;
        EXPECT_EQ(TryStrToInt(c.text, value), c.ok);
        if (c.ok) EXPECT_EQ(value, c.value);
    }
}

TEST(IntegerConversion, DecimalAndHexRoundTripEveryPattern) {
    // Decimal and hexadecimal texts of random 32-bit patterns, compared with the C library.
    std::mt19937 rng(7);
    for (int i = 0; i < 20000; ++i) {
        const auto value = static_cast<int32_t>(rng());
        char text[32];
        std::snprintf(text, sizeof(text), "%" PRId32, value);
        int32_t parsed = 0;
        ASSERT_TRUE(TryStrToInt(text, parsed)) << text;
        ASSERT_EQ(parsed, value) << text;
        std::snprintf(text, sizeof(text), "$%" PRIx32, static_cast<uint32_t>(value));
        ASSERT_TRUE(TryStrToInt(text, parsed)) << text;
        ASSERT_EQ(parsed, value) << text;
    }
}

TEST(SettingsFileName, ReplacesOnlyTheFileNamesExtension) {
    const std::pair<const char*, const char*> cases[] = {
        {"/opt/marble/marbleStomper", "/opt/marble/marbleStomper.ini"},
        {"/opt/marble/marbleStomper.exe", "/opt/marble/marbleStomper.ini"},
        {"C:\\Programs\\marble.v2\\marbleStomper.exe", "C:\\Programs\\marble.v2\\marbleStomper.ini"},
        {"C:\\Programs\\marble.v2\\marbleStomper", "C:\\Programs\\marble.v2\\marbleStomper.ini"},
        {"/home/a.b/drum", "/home/a.b/drum.ini"},
        {"/x/archive.tar.gz", "/x/archive.tar.ini"},
        {"drum.exe", "drum.ini"},
        {"drum", "drum.ini"},
    };
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(ChangeFileExt(path, ".ini"), expected) << path;
    }
    DrumPad pad;
    pad.platform.executablePath = "Z:\\games.d\\marbleStomper.exe";
    EXPECT_EQ(pad.Open().SettingsFileName(), "Z:\\games.d\\marbleStomper.ini");
}

TEST(SettingsFileName, ReadOnlyFolderMovesTheFileToTheUsersConfigFolder) {
    struct Case {
        const char* exe;
        const char* readOnly;
        const char* config;
        const char* expected;
    };
    const Case cases[] = {
        {"/usr/bin/marbleStomper", "", "/home/u/.config", "/usr/bin/marbleStomper.ini"},
        {"/usr/bin/marbleStomper", "/usr/bin", "/home/u/.config", "/home/u/.config/marbleStomper/marbleStomper.ini"},
        {"/usr/bin/marbleStomper", "/usr/bin", "/cfg//", "/cfg/marbleStomper/marbleStomper.ini"},
        {"/usr/bin/marbleStomper", "/usr/bin", "/", "/marbleStomper/marbleStomper.ini"},
        {"/drum.bin", "/", "/c", "/c/marbleStomper/marbleStomper.ini"},
        {"drum", ".", "/c", "/c/marbleStomper/marbleStomper.ini"},
        // No per-user folder (Windows): beside the executable, where the write then fails.
        {"C:\\Programs\\marbleStomper.exe", "C:\\Programs", "", "C:\\Programs\\marbleStomper.ini"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.exe) + " read-only " + c.readOnly);
        DrumPad pad;
        pad.platform.executablePath = c.exe;
        pad.platform.readOnlyFolder = c.readOnly;
        pad.platform.userConfigFolder = c.config;
        EXPECT_EQ(pad.Open().SettingsFileName(), c.expected);
    }

    // The moved file has the same keys, is read back by the next run, and a failing write names it.
    const std::string moved = "/home/u/.config/marbleStomper/marbleStomper.ini";
    DrumPad pad(1);
    pad.platform.readOnlyFolder = "/opt/marble";
    pad.platform.userConfigFolder = "/home/u/.config";
    pad.Open().SetTop(21);
    pad.Close();
    EXPECT_EQ(pad.platform.ProfileKeys(moved, "marbleStomper").size(), 14u);
    EXPECT_TRUE(pad.platform.ProfileKeys(kIniFile, "marbleStomper").empty());
    EXPECT_EQ(pad.Open().Top(), 21);
    pad.platform.FailProfileWritesFrom(0);
    pad.Close();
    EXPECT_EQ(pad.platform.ErrorBoxes(), std::vector<std::string>{moved + " に書き込めません"});
}

TEST(SettingsFileName, FileBesideTheExecutableStartsThePerUserFile) {
    // The user's file beside an executable in a read-only folder is read while no per-user file
    // exists; the per-user file is written and is what later runs read; the old one stays as it was.
    const std::string moved = "/home/u/.config/marbleStomper/marbleStomper.ini";
    DrumPad pad(1);
    pad.platform.readOnlyFolder = "/opt/marble";
    pad.platform.userConfigFolder = "/home/u/.config";
    pad.platform.SetProfileValue(kIniFile, "marbleStomper", "Num0", "50");
    pad.platform.SetProfileValue(kIniFile, "marbleStomper", "Top", "17");
    TForm2& form = pad.Open();
    EXPECT_EQ(form.SettingsFileName(), moved);
    EXPECT_EQ(form.UpDown1->CurrentPosition(), 50);
    EXPECT_EQ(form.Top(), 17);
    pad.Close();
    EXPECT_EQ(pad.platform.ProfileValue(moved, "marbleStomper", "Num0"), "50");
    pad.platform.SetProfileValue(kIniFile, "marbleStomper", "Num0", "60");
    EXPECT_EQ(pad.Open().UpDown1->CurrentPosition(), 50);
    pad.Close();

    // The copy the package installed keeps its settings per user even where this user may write
    // (root in /usr/bin), starting from a file an older version left beside it.
    DrumPad installed(1);
    installed.platform.installedByPackage = true;
    installed.platform.userConfigFolder = "/root/.config";
    installed.platform.SetProfileValue(kIniFile, "marbleStomper", "Num0", "70");
    EXPECT_EQ(installed.Open().SettingsFileName(), "/root/.config/marbleStomper/marbleStomper.ini");
    EXPECT_EQ(installed.form->UpDown1->CurrentPosition(), 70);
    installed.Close();
    EXPECT_EQ(installed.platform.ProfileKeys(kIniFile, "marbleStomper").size(), 1u);
}

TEST(Settings, FirstRunUsesDefaultsAndWritesEveryKey) {
    DrumPad pad(1);
    TForm2& form = pad.Open();
    const int32_t defaults[] = {35, 34, 36, 37, 38, 39, 40, 41, 42, 43, 44};
    for (int i = 0; i < kPadCount; ++i) {
        EXPECT_EQ(form.Pads[size_t(i)].UpDown->CurrentPosition(), defaults[i]);
        EXPECT_EQ(form.Pads[size_t(i)].Edit->Text(), std::to_string(defaults[i]));
    }
    EXPECT_EQ(form.Left(), 0);
    EXPECT_EQ(form.Top(), 0);
    EXPECT_EQ(form.ComboBox1->ItemIndex(), 0);
    pad.Close();
    EXPECT_EQ(pad.platform.ProfileKeys(kIniFile, "marbleStomper"),
              (std::vector<std::string>{"Top", "Left", "MIDI", "Num0", "Num.", "Num1", "Num2", "Num3", "Num4",
                                        "Num5", "Num6", "Num7", "Num8", "Num9"}));
}

TEST(Settings, StoredValuesAreReadThroughTheirControls) {
    struct Case {
        const char* stored;
        int32_t note;  // pad 3 (default 38)
    };
    const Case cases[] = {{"0x2A", 42}, {"$2a", 42}, {" 42", 42}, {"42", 42}, {"42a", 38}, {"", 38},
                          {"0x", 38},   {"300", 127}, {"-5", 0},  {"65578", 42}, {"$FFFFFFFF", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("Num3=\"") + c.stored + "\"");
        DrumPad pad;
        pad.platform.SetProfileValue(kIniFile, "marbleStomper", "num3", c.stored);  // any case matches
        TForm2& form = pad.Open();
        EXPECT_EQ(form.UpDown5->CurrentPosition(), c.note);
        EXPECT_EQ(form.Edit5->Text(), std::to_string(c.note));
        pad.Close();
        EXPECT_EQ(pad.platform.ProfileValue(kIniFile, "marbleStomper", "Num3"), std::to_string(c.note));
    }
}

TEST(Settings, WindowPositionAndDeviceRoundTrip) {
    DrumPad pad(3);
    pad.platform.SetProfileValue(kIniFile, "MARBLESTOMPER", "Top", "-40");
    pad.platform.SetProfileValue(kIniFile, "MARBLESTOMPER", "Left", "$100");
    pad.platform.SetProfileValue(kIniFile, "MARBLESTOMPER", "MIDI", "1");
    TForm2& form = pad.Open();
    EXPECT_EQ(form.Top(), -40);  // applied unchanged, even off the screen
    EXPECT_EQ(form.Left(), 256);
    EXPECT_EQ(form.ComboBox1->ItemIndex(), 1);
    form.SetLeft(300);
    form.ComboBox1->UserSelect(2);
    form.UpDown1->ClickButton(TUDBtnType::btPrev);
    pad.Close();
    EXPECT_EQ(pad.platform.ProfileValue(kIniFile, "marbleStomper", "Top"), "-40");
    EXPECT_EQ(pad.platform.ProfileValue(kIniFile, "marbleStomper", "Left"), "300");
    EXPECT_EQ(pad.platform.ProfileValue(kIniFile, "marbleStomper", "MIDI"), "2");
    EXPECT_EQ(pad.platform.ProfileValue(kIniFile, "marbleStomper", "Num0"), "34");
}

TEST(Settings, TheTempoIsNeverStored) {
    DrumPad pad;
    pad.platform.SetProfileValue(kIniFile, "marbleStomper", "Tempo", "200");
    TForm2& form = pad.Open();
    EXPECT_EQ(form.Tempo(), 125);
    form.Edit12->UserSetText("180");
    pad.Close();
    for (const std::string& call : pad.platform.CallsNamed("WritePrivateProfileStringA")) {
        EXPECT_EQ(call.find("Tempo"), std::string::npos) << call;
        EXPECT_EQ(call.find("180"), std::string::npos) << call;
    }
    EXPECT_EQ(pad.platform.ProfileValue(kIniFile, "marbleStomper", "Tempo"), "200");
}

TEST(Settings, FailingWriteIsReportedAndShutdownStillCompletes) {
    for (int failAt = 0; failAt <= 14; ++failAt) {
        SCOPED_TRACE("write " + std::to_string(failAt) + " fails");
        DrumPad pad(1);
        pad.Open();
        pad.platform.FireClock();
        pad.platform.ClearCalls();
        if (failAt < 14) {
            pad.platform.FailProfileWritesFrom(failAt);
        } else {
            pad.platform.failFlush = true;  // only the flush fails
        }
        pad.Close();
        const std::vector<std::string> calls = pad.platform.Calls();
        // The failing write is the last one made: failAt successful key writes, then the failure.
        EXPECT_EQ(pad.platform.CallsNamed("WritePrivateProfileStringA").size(), size_t(failAt) + 1);
        EXPECT_EQ(pad.platform.ErrorBoxes(), std::vector<std::string>{std::string(kIniFile) + " に書き込めません"});
        // The rest of the shutdown ran, the clock stopped, and the error box came last.
        const std::vector<std::string> tail(calls.end() - 5, calls.end());
        EXPECT_EQ(tail, (std::vector<std::string>{"KillTimer(wnd=4660, id=0)", "timeKillEvent(7)", "midiOutReset(h=256)",
                                                  "midiOutClose(h=256)",
                                                  "ShowErrorBox(" + std::string(kIniFile) + " に書き込めません)"}));
        EXPECT_FALSE(pad.platform.ClockRunning());
        EXPECT_EQ(Form2, nullptr);
    }
}

TEST(Settings, IniFileObjectMapsOntoTheProfileCalls) {
    FakePlatform platform;
    TIniFile ini(platform, "/tmp/x.ini");
    EXPECT_EQ(ini.ReadInteger("S", "K", -7), -7);
    ini.WriteInteger("S", "K", INT32_MIN);
    EXPECT_EQ(platform.ProfileValue("/tmp/x.ini", "s", "k"), "-2147483648");
    EXPECT_EQ(ini.ReadInteger("S", "K", 0), INT32_MIN);
    // A value longer than the read buffer is cut to 2047 characters, which is not a number.
    platform.SetProfileValue("/tmp/x.ini", "S", "Long", std::string(3000, '1'));
    EXPECT_EQ(ini.ReadInteger("S", "Long", 5), 5);
    platform.FailProfileWritesFrom(0);
    try {
        ini.WriteInteger("S", "K", 1);
        ADD_FAILURE() << "no error";
    } catch (const EIniFileException& e) {
        EXPECT_STREQ(e.what(), "/tmp/x.ini に書き込めません");
    }
}

}  // namespace
}  // namespace marble::testing
