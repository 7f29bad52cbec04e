// The Qt front end driven as a user would, under Qt's offscreen platform: key events go to the
// window's QWindow (where the real ones arrive), clicks to the widgets, and the MIDI words the
// core sends are read back from the recording platform.
#include "control_widgets.h"
#include "keyboard_filter.h"
#include "main_window.h"
#include "private_pulse_server.h"
#include "synth_line.h"

#include "core/Unit2.h"
#include "core/Unit3.h"
#include "platform/fake/fake_platform.h"
#include "platform/linux/builtin_synth.h"
#include "platform/linux/keyboard_state.h"
#include "platform/linux/linux_midi_out.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QImage>
#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace marble::qt {
namespace {

// X key codes of the keypad and the Ctrl keys (what nativeScanCode gives under xcb).
constexpr quint32 kScanKp[10] = {90, 87, 88, 89, 83, 84, 85, 79, 80, 81};
constexpr quint32 kScanKpDecimal = 91;
constexpr quint32 kScanControlL = 37;
constexpr quint32 kScanControlR = 105;

uint32_t NoteOn(int note, int velocity) { return 0x99u | uint32_t(note) << 8 | uint32_t(velocity) << 16; }
uint32_t NoteOff(int note, int velocity) { return 0x89u | uint32_t(note) << 8 | uint32_t(velocity) << 16; }

// The recording platform, with the keyboard state kept by the front end's own KeyboardState.
class KeyedPlatform : public FakePlatform {
public:
    linux_platform::KeyboardState keys;
    bool GetKeyboardState(uint8_t* state256) override {
        keys.Snapshot(state256);
        return true;
    }
};

class FrontEnd : public ::testing::Test {
protected:
    void SetUp() override {
        platform.AddDevice("Synth A");
        platform.AddDevice("Port B");
        filter = std::make_unique<KeyboardFilter>(platform.keys);
        qApp->installEventFilter(filter.get());
        window = std::make_unique<MainWindow>(filter.get());
        new TForm2(platform, window->Handle());
        window->Bind(*Form2);
        new TForm3();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        Messages();  // the start-up's own calls are not what these tests look at
    }

    void TearDown() override {
        window->Unbind();
        delete Form2;
        delete Form3;
        qApp->removeEventFilter(filter.get());
        window.reset();
    }

    void Key(QEvent::Type type, int key, Qt::KeyboardModifiers modifiers, quint32 scan, bool autoRepeat = false,
             quint32 keysym = 0) {
        QKeyEvent event(type, key, modifiers, scan, keysym, 0, QString(), autoRepeat);
        QCoreApplication::sendEvent(window->windowHandle(), &event);
    }
    void PressKeypad(int digit, bool numLock = true) {
        Key(QEvent::KeyPress, KeypadKey(digit, numLock), Qt::KeypadModifier, kScanKp[digit]);
    }
    void ReleaseKeypad(int digit, bool numLock = true) {
        Key(QEvent::KeyRelease, KeypadKey(digit, numLock), Qt::KeypadModifier, kScanKp[digit]);
    }
    static int KeypadKey(int digit, bool numLock) {
        static const int navigation[10] = {Qt::Key_Insert, Qt::Key_End,   Qt::Key_Down, Qt::Key_PageDown,
                                           Qt::Key_Left,   Qt::Key_Clear, Qt::Key_Right, Qt::Key_Home,
                                           Qt::Key_Up,     Qt::Key_PageUp};
        return numLock ? Qt::Key_0 + digit : navigation[digit];
    }

    /// One scanner tick; returns the MIDI words sent since the last look.
    std::vector<uint32_t> Tick() {
        platform.FireWindowTimer(0);
        return Messages();
    }
    std::vector<uint32_t> Messages() {
        const std::vector<uint32_t> all = platform.ShortMessages();
        std::vector<uint32_t> fresh(all.begin() + long(m_seen), all.end());
        m_seen = all.size();
        return fresh;
    }
    template <class T>
    T* Widget(const std::string& name) {
        return dynamic_cast<T*>(window->WidgetOf(name));
    }
    void Focus(const std::string& name) {
        QWidget* widget = window->WidgetOf(name);
        widget->setFocus(Qt::OtherFocusReason);
        ASSERT_TRUE(widget->hasFocus()) << name;
    }

    KeyedPlatform platform;
    std::unique_ptr<KeyboardFilter> filter;
    std::unique_ptr<MainWindow> window;

private:
    size_t m_seen = 0;
};

using Words = std::vector<uint32_t>;

TEST_F(FrontEnd, WindowIsLaidOutFromTheForm) {
    EXPECT_EQ(window->windowTitle(), "marbleStomper");
    EXPECT_EQ(window->size(), QSize(200, 146));
    EXPECT_EQ(window->minimumSize(), QSize(200, 146));
    EXPECT_EQ(window->maximumSize(), QSize(200, 146));
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);

    // Every control sits where the form puts it, in its parent's coordinates.
    for (const std::unique_ptr<TControl>& control : Form2->Controls()) {
        SCOPED_TRACE(control->Name);
        QWidget* widget = window->WidgetOf(control->Name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->geometry(), QRect(control->Left, control->Top, control->Width, control->Height));
        EXPECT_EQ(widget->font().pixelSize(), 11);
        EXPECT_TRUE(widget->isVisible());
    }
    EXPECT_EQ(Widget<QLineEdit>("Edit5")->text(), "38");
    EXPECT_TRUE(Widget<QLineEdit>("Edit5")->isReadOnly());
    EXPECT_EQ(Widget<QLineEdit>("Edit12")->text(), "125");
    EXPECT_FALSE(Widget<QLineEdit>("Edit12")->isReadOnly());

    // Focus starts on the device list; Tab runs through the controls in tab order.
    EXPECT_TRUE(window->WidgetOf("ComboBox1")->hasFocus());
    std::vector<std::string> chain;
    for (QWidget* w : window->TabChain()) chain.push_back(w->objectName().toStdString());
    const std::vector<std::string> expected = {"ComboBox1", "Edit12", "Edit1", "Edit2", "Edit3", "Edit4", "Edit5",
                                               "Edit6",     "Edit7",  "Edit8", "Edit9", "Edit10", "Edit11"};
    EXPECT_EQ(chain, expected);
    for (size_t i = 1; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), expected[i]);
    }
}

TEST_F(FrontEnd, KeypadStrokePlaysOnceAndEndsOnRelease) {
    // Holding keypad 5 over the device list: one note-on, nothing while held, then the
    // device list's key-up note-off at once and the scanner's on the next tick.
    PressKeypad(5);
    EXPECT_EQ(Tick(), Words{NoteOn(40, 127)});
    EXPECT_EQ(Tick(), Words{});
    EXPECT_EQ(Tick(), Words{});
    ReleaseKeypad(5);
    EXPECT_EQ(Messages(), Words{NoteOff(40, 127)});
    EXPECT_EQ(Tick(), Words{NoteOff(40, 127)});
    EXPECT_EQ(Tick(), Words{});

    // Every pad key, with NumLock on and off alike.
    for (bool numLock : {true, false}) {
        for (int digit = 0; digit < 10; ++digit) {
            SCOPED_TRACE(testing::Message() << "digit " << digit << " numLock " << numLock);
            const int note = digit == 0 ? 35 : 35 + digit;
            PressKeypad(digit, numLock);
            EXPECT_EQ(Tick(), Words{NoteOn(note, 127)});
            ReleaseKeypad(digit, numLock);
            Messages();
            EXPECT_EQ(Tick(), Words{NoteOff(note, 127)});
        }
        SCOPED_TRACE(testing::Message() << "decimal point, numLock " << numLock);
        const int key = numLock ? Qt::Key_Period : Qt::Key_Delete;
        Key(QEvent::KeyPress, key, Qt::KeypadModifier, kScanKpDecimal);
        EXPECT_EQ(Tick(), Words{NoteOn(34, 127)});
        Key(QEvent::KeyRelease, key, Qt::KeypadModifier, kScanKpDecimal);
        EXPECT_EQ(Messages(), Words{});  // the decimal point has no key-up note-off
        EXPECT_EQ(Tick(), Words{NoteOff(34, 127)});
    }

    // The main keyboard's digits are not pads.
    Key(QEvent::KeyPress, Qt::Key_5, Qt::NoModifier, 14);
    EXPECT_EQ(Tick(), Words{});
    Key(QEvent::KeyRelease, Qt::Key_5, Qt::NoModifier, 14);
}

TEST_F(FrontEnd, NumLockChangeWhileHeldStillReleases) {
    // Pressed with NumLock on, released as its navigation key after NumLock went off.
    PressKeypad(5, true);
    EXPECT_EQ(Tick(), Words{NoteOn(40, 127)});
    Key(QEvent::KeyPress, Qt::Key_NumLock, Qt::NoModifier, 77);
    Key(QEvent::KeyRelease, Qt::Key_NumLock, Qt::NoModifier, 77);
    ReleaseKeypad(5, false);
    EXPECT_EQ(Messages(), Words{NoteOff(40, 127)});  // key-up sees the code of the press
    EXPECT_EQ(Tick(), Words{NoteOff(40, 127)});

    // The decimal point the other way round: pressed as Delete, released as Period.
    Key(QEvent::KeyPress, Qt::Key_Delete, Qt::KeypadModifier, kScanKpDecimal);
    EXPECT_EQ(Tick(), Words{NoteOn(34, 127)});
    Key(QEvent::KeyRelease, Qt::Key_Period, Qt::KeypadModifier, kScanKpDecimal);
    EXPECT_EQ(Tick(), Words{NoteOff(34, 127)});
    EXPECT_EQ(Tick(), Words{});
}

TEST_F(FrontEnd, CtrlPlaysSofter) {
    for (quint32 ctrl : {kScanControlL, kScanControlR}) {
        SCOPED_TRACE(testing::Message() << "ctrl scan code " << ctrl);
        const quint32 keysym = ctrl == kScanControlL ? 0xFFE3 : 0xFFE4;
        Key(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier, ctrl, false, keysym);
        Key(QEvent::KeyPress, Qt::Key_3, Qt::KeypadModifier | Qt::ControlModifier, kScanKp[3]);
        EXPECT_EQ(Tick(), Words{NoteOn(38, 82)});
        Key(QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier, ctrl, false, keysym);
        EXPECT_EQ(Tick(), Words{});
        ReleaseKeypad(3);
        Messages();
        EXPECT_EQ(Tick(), Words{NoteOff(38, 127)});
    }
}

TEST_F(FrontEnd, AutoRepeatNeverRetriggers) {
    PressKeypad(7);
    EXPECT_EQ(Tick(), Words{NoteOn(42, 127)});
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        // X auto-repeat as release+press pairs flagged as repeats, and as bare repeated presses.
        Key(QEvent::KeyRelease, Qt::Key_7, Qt::KeypadModifier, kScanKp[7], true);
        EXPECT_EQ(Tick(), Words{});
        Key(QEvent::KeyPress, Qt::Key_7, Qt::KeypadModifier, kScanKp[7], true);
        Key(QEvent::KeyPress, Qt::Key_7, Qt::KeypadModifier, kScanKp[7], false);
        EXPECT_EQ(Tick(), Words{});
    }
    ReleaseKeypad(7);
    Messages();
    EXPECT_EQ(Tick(), Words{NoteOff(42, 127)});
}

TEST_F(FrontEnd, LosingTheKeyboardReleasesEveryKey) {
    PressKeypad(1);
    PressKeypad(9);
    Key(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier, kScanControlL);
    EXPECT_EQ(Tick(), (Words{NoteOn(36, 82), NoteOn(44, 82)}));

    // Another program's window takes the keyboard: the releases will never come to us.
    QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(window->windowHandle(), &out);
    EXPECT_EQ(Tick(), (Words{NoteOff(36, 127), NoteOff(44, 127)}));
    // The releases that arrive late change nothing.
    ReleaseKeypad(1);
    ReleaseKeypad(9);
    Messages();
    EXPECT_EQ(Tick(), Words{});

    // So does the application becoming inactive.
    PressKeypad(2);
    EXPECT_EQ(Tick(), Words{NoteOn(37, 127)});
    QApplicationStateChangeEvent inactive(Qt::ApplicationInactive);
    QCoreApplication::sendEvent(qApp, &inactive);
    EXPECT_EQ(Tick(), Words{NoteOff(37, 127)});
    ReleaseKeypad(2);
}

TEST_F(FrontEnd, SpinButtonsStepByClickAndArrowKeys) {
    auto* spin = window->WidgetOf("UpDown5");
    auto* edit = Widget<QLineEdit>("Edit5");
    ASSERT_NE(spin, nullptr);
    // Upper half up, lower half down; each step auditions the new note.
    QTest::mouseClick(spin, Qt::LeftButton, {}, QPoint(8, 4));
    EXPECT_EQ(edit->text(), "39");
    EXPECT_EQ(Messages(), (Words{NoteOn(39, 127), NoteOff(39, 127)}));
    QTest::mouseClick(spin, Qt::LeftButton, {}, QPoint(8, 17));
    QTest::mouseClick(spin, Qt::LeftButton, {}, QPoint(8, 17));
    EXPECT_EQ(edit->text(), "37");
    EXPECT_EQ(Messages(), (Words{NoteOn(38, 127), NoteOff(38, 127), NoteOn(37, 127), NoteOff(37, 127)}));

    // The Up and Down keys step while the note edit has the focus.
    Focus("Edit5");
    Key(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier, 111);
    Key(QEvent::KeyRelease, Qt::Key_Up, Qt::NoModifier, 111);
    EXPECT_EQ(edit->text(), "38");
    Key(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier, 116);
    Key(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier, 116);
    EXPECT_EQ(edit->text(), "37");
    EXPECT_EQ(Messages(), (Words{NoteOn(38, 127), NoteOff(38, 127), NoteOn(37, 127), NoteOff(37, 127)}));
    // Keypad 8 with NumLock off names Up too, but it is a pad and leaves the note alone.
    Key(QEvent::KeyPress, Qt::Key_Up, Qt::KeypadModifier, kScanKp[8]);
    EXPECT_EQ(edit->text(), "37");
    EXPECT_EQ(Tick(), Words{NoteOn(43, 127)});
    Key(QEvent::KeyRelease, Qt::Key_Up, Qt::KeypadModifier, kScanKp[8]);
    // Released over a note edit: the extra key-up note-off, then the scanner's.
    EXPECT_EQ(Messages(), Words{NoteOff(43, 127)});
    EXPECT_EQ(Tick(), Words{NoteOff(43, 127)});

    // At the top of the range a click changes and sends nothing.
    auto* spin9 = window->WidgetOf("UpDown11");
    for (int i = 0; i < 90; ++i) QTest::mouseClick(spin9, Qt::LeftButton, {}, QPoint(8, 4));
    EXPECT_EQ(Widget<QLineEdit>("Edit11")->text(), "127");
    Messages();
    QTest::mouseClick(spin9, Qt::LeftButton, {}, QPoint(8, 4));
    EXPECT_EQ(Messages(), Words{});
}

TEST_F(FrontEnd, TypingTheTempo) {
    auto* tempo = Widget<QLineEdit>("Edit12");
    Focus("Edit12");
    // Every keystroke runs the change handler, which clamps through the spin buttons at once:
    // typing over the selected "125" gives "3" -> "20", "200", "2000" -> "250".
    struct Case {
        const char* typed;
        const char* shown;
        int tempo;
    };
    for (const Case& c : {Case{"300", "250", 250}, Case{"5", "20", 20}, Case{"0", "20", 20}, Case{"abc", "120", 120},
                          Case{"", "120", 120}}) {
        SCOPED_TRACE(c.typed);
        tempo->selectAll();
        if (*c.typed == '\0') {
            QTest::keyClick(tempo, Qt::Key_Backspace);
        } else {
            QTest::keyClicks(tempo, c.typed);
        }
        EXPECT_EQ(tempo->text().toStdString(), c.shown);
        EXPECT_EQ(Form2->Tempo(), c.tempo);
    }
    // Up and Down step the tempo too (its spin buttons are attached to it).
    QTest::keyClick(tempo, Qt::Key_Up);
    EXPECT_EQ(tempo->text(), "121");
    EXPECT_EQ(Form2->Tempo(), 121);
    // Keypad keys pressed over the tempo editor still play.
    PressKeypad(4);
    EXPECT_EQ(Tick(), Words{NoteOn(39, 127)});
    ReleaseKeypad(4);
    EXPECT_EQ(Messages(), Words{});  // the tempo editor has no key-up handler
    EXPECT_EQ(Tick(), Words{NoteOff(39, 127)});
}

TEST_F(FrontEnd, DeviceListSwitchesPorts) {
    auto* list = Widget<QComboBox>("ComboBox1");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->itemText(0), "Synth A");
    EXPECT_EQ(list->itemText(1), "Port B");
    EXPECT_EQ(list->currentIndex(), 0);
    platform.ClearCalls();

    // Keypad 2 with NumLock off (Down) and keypad digits are pads, not list navigation.
    PressKeypad(2, false);
    ReleaseKeypad(2, false);
    PressKeypad(2, true);
    ReleaseKeypad(2, true);
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_TRUE(platform.CallsNamed("midiOutOpen").empty());

    // The Down arrow picks the next device: the old port is closed and line 1 opened.
    Key(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier, 116);
    Key(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier, 116);
    EXPECT_EQ(list->currentIndex(), 1);
    EXPECT_EQ(Form2->ComboBox1->ItemIndex(), 1);
    const std::vector<std::string> opens = platform.CallsNamed("midiOutOpen");
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_NE(opens[0].find("dev=1"), std::string::npos) << opens[0];
    EXPECT_EQ(platform.CallsNamed("midiOutClose").size(), 1u);

    // With the drop-down open its list has the keys: a pad's release is still the device
    // list's key-up (the extra note-off), and pad keys do not search the list.
    list->showPopup();
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->view()->isVisible(); }, 2000));
    Messages();
    for (bool numLock : {true, false}) {
        SCOPED_TRACE(numLock);
        QKeyEvent press(QEvent::KeyPress, KeypadKey(3, numLock), Qt::KeypadModifier, kScanKp[3], 0, 0,
                        numLock ? QStringLiteral("3") : QString());
        QKeyEvent release(QEvent::KeyRelease, KeypadKey(3, numLock), Qt::KeypadModifier, kScanKp[3], 0, 0,
                          numLock ? QStringLiteral("3") : QString());
        QCoreApplication::sendEvent(list->view(), &press);
        QCoreApplication::sendEvent(list->view(), &release);
        EXPECT_EQ(Messages(), Words{NoteOff(38, 127)});
        EXPECT_EQ(list->view()->currentIndex().row(), 1);
    }
    list->hidePopup();
}

TEST_F(FrontEnd, IndicatorStripShowsTheBar) {
    // At tempo 125, 480 clock ticks put the position line on column 50.
    for (int i = 0; i < 480; ++i) platform.FireClock();
    Tick();
    const QImage shot = window->WidgetOf("PaintBox1")->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shot.size(), QSize(200, 11));
    const QRgb white = qRgb(255, 255, 255), black = qRgb(0, 0, 0), yellow = qRgb(255, 255, 0);
    for (int y = 1; y < 11; ++y) {
        SCOPED_TRACE(y);
        EXPECT_EQ(shot.pixel(0, y), white);
        EXPECT_EQ(shot.pixel(50, y), yellow);
        EXPECT_EQ(shot.pixel(100, y), white);
        EXPECT_EQ(shot.pixel(150, y), white);
        EXPECT_EQ(shot.pixel(25, y), black);
        EXPECT_EQ(shot.pixel(199, y), black);
    }
    EXPECT_EQ(shot.pixel(25, 0), white);
}

TEST(SynthLine, TellsTheSynthsStateAsItChanges) {
    using linux_platform::LinuxMidiOut;
    TComboBox model("ComboBox1", nullptr);
    model.AddItem(linux_platform::kBuiltinSynthNoSoundFontName);
    model.AddItem("Port B");
    KeyCodes keys(nullptr);
    DeviceListWidget list(model, keys, nullptr);
    {
        LinuxMidiOut midi({.synthAudio = false, .alsaPorts = false, .soundFont = "/nonexistent/none.sf2"});
        ASSERT_EQ(midi.midiOutGetNumDevs(), 1u);
        SynthLine line(list, midi);
        const QString missing = QStringLiteral("Synth: no soundfont, install timgm6mb-soundfont");
        EXPECT_EQ(list.itemText(0), missing);
        EXPECT_EQ(list.itemText(1), "Port B");
        // The open list shows the whole line, wider than the box.
        EXPECT_GE(list.view()->minimumWidth(), list.view()->fontMetrics().horizontalAdvance(missing));
    }
    EXPECT_EQ(list.itemText(0), linux_platform::kBuiltinSynthNoSoundFontName);

    if (linux_platform::FindSoundFont().empty()) GTEST_SKIP() << "no General MIDI soundfont installed";
    // A Pulse server named but not running yet, then started, killed and started again: the
    // line follows within the second the output waits between tries.
    test::PrivatePulseServer server(false);
    LinuxMidiOut midi({.alsaPorts = false});
    ASSERT_EQ(midi.midiOutGetNumDevs(), 1u);
    SynthLine line(list, midi);
    const auto shows = [&](const QString& text) {
        return QTest::qWaitFor([&] { return list.itemText(0) == text; }, 3000) ? text : list.itemText(0);
    };
    const QString playing = linux_platform::kBuiltinSynthName, none = QStringLiteral("Synth: no audio server");
    EXPECT_EQ(shows(none), none);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        if (!server.Start()) GTEST_SKIP() << "no pulseaudio to start";
        EXPECT_EQ(shows(playing), playing);
        server.Stop();
        EXPECT_EQ(shows(none), none);
    }
}

}  // namespace
}  // namespace marble::qt

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
