// The tempo editor, the bar clock and the bar indicator.
#include "core_test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

namespace marble::testing {
namespace {

struct EditorCase {
    std::string typed;
    std::string text;
    int32_t tempo;
};

TEST(TempoEditor, FallsBackAndClampsThroughTheSpinButtons) {
    const EditorCase cases[] = {
        {"", "120", 120},        {"300", "250", 250},  {"5", "20", 20},       {"abc", "120", 120},
        {"-", "120", 120},       {"250", "250", 250},  {"20", "20", 20},      {"$64", "100", 100},
        {"0x50", "80", 80},      {" 99", "99", 99},    {"99 ", "120", 120},   {"65636", "100", 100},
        {"-65536", "20", 20},    {"2147483648", "120", 120},                  {"70000", "250", 250},
    };
    for (const EditorCase& c : cases) {
        SCOPED_TRACE("typed \"" + c.typed + "\"");
        DrumPad pad;
        TForm2& form = pad.Open();
        EXPECT_TRUE(form.Edit12->UserSetText(c.typed));
        EXPECT_EQ(form.Edit12->Text(), c.text);
        EXPECT_EQ(form.Tempo(), c.tempo);
        EXPECT_EQ(form.UpDown12->CurrentPosition(), c.tempo);
    }
}

TEST(TempoEditor, ZeroAtTheLowerLimitStillShowsTheLimit) {
    DrumPad pad;
    TForm2& form = pad.Open();
    form.Edit12->UserSetText("5");
    ASSERT_EQ(form.Edit12->Text(), "20");
    form.Edit12->UserSetText("0");
    EXPECT_EQ(form.Edit12->Text(), "20");
    EXPECT_EQ(form.Tempo(), 20);
    // A sequence of edits, each judged on its own.
    const EditorCase sequence[] = {{"300", "250", 250}, {"300", "250", 250}, {"", "120", 120},
                                   {"1", "20", 20},     {"21", "21", 21},    {"2", "20", 20}};
    for (const EditorCase& c : sequence) {
        SCOPED_TRACE("typed \"" + c.typed + "\"");
        form.Edit12->UserSetText(c.typed);
        EXPECT_EQ(form.Edit12->Text(), c.text);
        EXPECT_EQ(form.Tempo(), c.tempo);
    }
}

TEST(TempoEditor, ValueMatchingTheRememberedPositionIn16BitsPassesUnclamped) {
    // 65661 and -65411 reduce to the remembered 125, so the spin buttons do nothing and the
    // text stands as typed. The bar clock and the indicator must still work on such a tempo.
    for (const std::string typed : {"65661", "-65411", "2147418237"}) {
        SCOPED_TRACE(typed);
        DrumPad pad;
        TForm2& form = pad.Open();
        form.Edit12->UserSetText(typed);
        EXPECT_EQ(form.Edit12->Text(), typed);
        EXPECT_EQ(std::to_string(form.Tempo()), typed);
        for (int i = 0; i < 10; ++i) {
            pad.platform.FireClock();
            EXPECT_GE(form.BarCounter(), 0);
            EXPECT_LE(form.BarCounter(), 4);
            pad.Tick();
        }
    }
}

TEST(TempoEditor, NestedChangeEventsRunToCompletionFirst) {
    DrumPad pad;
    TForm2& form = pad.Open();
    std::vector<std::string> log;
    int depth = 0;
    const TNotifyEvent handler = form.Edit12->OnChange;
    form.Edit12->OnChange = [&](TObject* sender) {
        log.push_back(std::to_string(depth) + " enter \"" + form.Edit12->Text() + "\"");
        ++depth;
        handler(sender);
        --depth;
        log.push_back(std::to_string(depth) + " leave tempo " + std::to_string(form.Tempo()));
    };
    form.Edit12->UserSetText("300");
    EXPECT_EQ(log, (std::vector<std::string>{"0 enter \"300\"", "1 enter \"250\"", "1 leave tempo 250",
                                             "0 leave tempo 250"}));
    log.clear();
    form.Edit12->UserSetText("");
    EXPECT_EQ(log, (std::vector<std::string>{"0 enter \"\"", "1 enter \"120\"", "1 leave tempo 120",
                                             "0 leave tempo 120"}));
}

TEST(TempoEditor, ArrowsAndKeysStepTheTempo) {
    DrumPad pad;
    TForm2& form = pad.Open();
    EXPECT_TRUE(form.UpDown12->ClickButton(TUDBtnType::btNext));
    EXPECT_EQ(form.Edit12->Text(), "126");
    EXPECT_EQ(form.Tempo(), 126);
    form.Edit12->KeyDown(VK_DOWN, 0);
    form.Edit12->KeyDown(VK_DOWN, 0);
    EXPECT_EQ(form.Tempo(), 124);
    form.Edit12->UserSetText("250");
    EXPECT_FALSE(form.UpDown12->ClickButton(TUDBtnType::btNext));
    EXPECT_EQ(form.Tempo(), 250);
    // No note is auditioned for the tempo.
    EXPECT_TRUE(pad.platform.ShortMessages().empty());
}

/// Ticks until the counter wraps; returns the largest value seen and the cycle length.
std::pair<int32_t, int32_t> RunOneBar(DrumPad& pad) {
    int32_t largest = 0;
    for (int32_t ticks = 1; ticks < 20000; ++ticks) {
        pad.platform.FireClock();
        const int32_t counter = pad.form->BarCounter();
        if (counter == 0) return {largest, ticks};
        EXPECT_EQ(counter, largest + 1);
        largest = counter;
    }
    ADD_FAILURE() << "the counter never wrapped";
    return {largest, 0};
}

TEST(BarClock, CountsOneBarThenWraps) {
    for (const auto [tempo, last] : {std::pair{125, 1920}, std::pair{120, 2000}, std::pair{70, 3429}}) {
        SCOPED_TRACE("tempo " + std::to_string(tempo));
        DrumPad pad;
        TForm2& form = pad.Open();
        form.Edit12->UserSetText(std::to_string(tempo));
        EXPECT_EQ(RunOneBar(pad), std::make_pair(last, last + 1));
        EXPECT_EQ(RunOneBar(pad), std::make_pair(last, last + 1));
        EXPECT_EQ(ClockTimerID.load(), 7u);
    }
}

TEST(BarClock, EveryTempoCountsToTheCeilingOfTheBarLength) {
    DrumPad pad;
    TForm2& form = pad.Open();
    for (int32_t tempo = 20; tempo <= 250; ++tempo) {
        SCOPED_TRACE("tempo " + std::to_string(tempo));
        form.Edit12->UserSetText(std::to_string(tempo));
        RunOneBar(pad);  // the counter starts this tempo at 0
        const int32_t ceiling = (240000 + tempo - 1) / tempo;
        EXPECT_EQ(RunOneBar(pad).first, ceiling);
    }
}

TEST(BarClock, RaisingTheTempoPastTheCounterWrapsOnTheNextTick) {
    DrumPad pad;
    TForm2& form = pad.Open();
    form.Edit12->UserSetText("60");
    for (int i = 0; i < 3000; ++i) pad.platform.FireClock();
    ASSERT_EQ(form.BarCounter(), 3000);
    form.Edit12->UserSetText("250");
    EXPECT_EQ(form.BarCounter(), 3000);  // a tempo change does not touch the counter
    pad.platform.FireClock();
    EXPECT_EQ(form.BarCounter(), 0);
}

/// The indicator as it should look: black, white top row, left column and beat marks, and the
/// yellow line in column `line` (outside the bitmap when it is 200).
void ExpectIndicator(const lumarix::TBitmap& bitmap, int32_t line) {
    ASSERT_EQ(bitmap.Width(), 200);
    ASSERT_EQ(bitmap.Height(), 11);
    int mismatches = 0;
    for (int32_t y = 0; y < 11; ++y) {
        const uint8_t* row = bitmap.ScanLine(y);
        for (int32_t x = 0; x < 200; ++x) {
            uint32_t expected = 0x000000;  // 0xRRGGBB
            if (y == 0 || x % 50 == 0) expected = 0xFFFFFF;
            if (x == line) expected = 0xFFFF00;
            const uint32_t actual = uint32_t(row[4 * x + 2]) << 16 | uint32_t(row[4 * x + 1]) << 8 | row[4 * x];
            if (actual != expected && ++mismatches <= 5) {
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") is 0x" << std::hex << actual << ", expected 0x"
                              << expected;
            }
        }
    }
}

TEST(Indicator, DrawsFrameBeatMarksAndThePositionLine) {
    DrumPad pad;
    TForm2& form = pad.Open();
    int32_t counter = 0;
    for (const auto [target, column] : {std::pair{0, 0}, std::pair{240, 25}, std::pair{480, 50},
                                        std::pair{960, 100}, std::pair{1440, 150}, std::pair{1919, 199},
                                        std::pair{1920, 200}}) {
        SCOPED_TRACE("counter " + std::to_string(target));
        for (; counter < target; ++counter) pad.platform.FireClock();
        ASSERT_EQ(form.BarCounter(), target);
        pad.Tick();  // every scanner tick redraws
        ExpectIndicator(*form.IndicatorBitmap(), column);
        ExpectIndicator(form.PaintBox1->Surface(), column);
    }
}

TEST(Indicator, MovingLineKeepsThePictureAndNamesEveryChangedPixel) {
    // Random tempo changes and clock runs: after each tick both surfaces hold the whole
    // picture of the plain drawing, and every strip pixel that changed lies in the area the
    // front end is told to repaint.
    DrumPad pad;
    TForm2& form = pad.Open();
    std::vector<uint32_t> before;
    auto snapshot = [&] {
        const lumarix::TLumarix& strip = form.PaintBox1->Surface();
        std::vector<uint32_t> pixels;
        for (int32_t y = 0; y < strip.Height(); ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(strip.ScanLine(y));
            pixels.insert(pixels.end(), row, row + strip.Width());
        }
        return pixels;
    };
    int notified = 0;
    form.PaintBox1->OnModelChanged = [&](TControl&) { ++notified; };
    std::mt19937 rng(17);
    for (int step = 0; step < 300; ++step) {
        if (rng() % 8 == 0) form.Edit12->UserSetText(std::to_string(20 + rng() % 231));
        for (int i = int(rng() % 200); i > 0; --i) pad.platform.FireClock();
        before = snapshot();
        const int before_notified = notified;
        pad.Tick();
        const int32_t column = int32_t(double(form.BarCounter()) * (200.0 / (60.0 / form.Tempo() * 4000.0)));
        SCOPED_TRACE("step " + std::to_string(step) + ", column " + std::to_string(column));
        ExpectIndicator(*form.IndicatorBitmap(), column);
        ExpectIndicator(form.PaintBox1->Surface(), column);
        const std::vector<uint32_t> after = snapshot();
        const lumarix::TRect& area = form.PaintBox1->ChangedArea();
        for (size_t i = 0; i < after.size(); ++i) {
            if (after[i] == before[i]) continue;
            const int32_t x = int32_t(i % 200), y = int32_t(i / 200);
            ASSERT_EQ(notified, before_notified + 1);
            ASSERT_TRUE(x >= area.Left && x < area.Right && y >= area.Top && y < area.Bottom)
                << "pixel (" << x << ", " << y << ") changed outside the named area";
        }
    }
}

TEST(Indicator, PaintEventRedrawsAndTheScannerNotifiesTheFrontEnd) {
    DrumPad pad;
    TForm2& form = pad.Open();
    int notified = 0;
    form.PaintBox1->OnModelChanged = [&](TControl&) { ++notified; };
    form.Edit12->UserSetText("120");
    for (int i = 0; i < 1000; ++i) pad.platform.FireClock();
    form.PaintBox1->Paint();
    ExpectIndicator(form.PaintBox1->Surface(), 100);
    EXPECT_EQ(notified, 0);  // the front end is painting already
    pad.Tick();
    EXPECT_EQ(notified, 0);  // the line has not moved: nothing to repaint
    for (int i = 0; i < 10; ++i) pad.platform.FireClock();
    pad.Tick();
    EXPECT_EQ(notified, 1);
    ExpectIndicator(form.PaintBox1->Surface(), 101);
    // A tick of another window timer neither scans nor draws.
    form.ScanPads(3);
    EXPECT_EQ(notified, 1);
}

TEST(BarClockThread, SharedValuesAreRaceFree) {
    // The clock runs on a real thread while the GUI thread changes the tempo and redraws; under
    // ThreadSanitizer this proves the tempo, the counter and the timer id are shared safely.
    DrumPad pad;
    pad.platform.clockOnThread = true;
    pad.platform.nextClockId = 12;
    TForm2& form = pad.Open();
    std::mt19937 rng(2024);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (pad.platform.ClockThreadTicks() < 3000 && std::chrono::steady_clock::now() < deadline) {
        form.Edit12->UserSetText(std::to_string(20 + rng() % 231));
        for (int i = 0; i < 5; ++i) {
            pad.Tick();
            const int32_t counter = form.BarCounter();
            EXPECT_GE(counter, 0);
            EXPECT_LE(counter, 12001);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    EXPECT_GE(pad.platform.ClockThreadTicks(), 3000u);
    pad.Close();  // stops and joins the clock before the window goes away
    EXPECT_FALSE(pad.platform.ClockRunning());
    EXPECT_EQ(pad.platform.CallsNamed("timeKillEvent"), std::vector<std::string>{"timeKillEvent(12)"});
    EXPECT_EQ(ClockTimerID.load(), 12u);
}

}  // namespace
}  // namespace marble::testing
