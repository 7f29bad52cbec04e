// The main window of the drum pad: the pads, the keypad scanner, the bar clock and its
// indicator, the MIDI device list and the settings file.
//
// How a front end drives it:
//  1. Create the native main window, then `new TForm2(platform, handle)`. The constructor
//     assigns the process-wide Form2 first, builds the controls (Controls(), with their layout),
//     reads the settings, starts the 1 ms bar clock (platform.timeSetEvent) and the 10 ms scanner
//     (platform.SetTimer with `handle`), fills the device list and opens the selected port.
//  2. Build the native widgets from Controls() and the form's own layout (Caption, ClientWidth,
//     ClientHeight, Left(), Top(), Font, Color, BorderStyle, BorderIcons), and set the models'
//     OnModelChanged callbacks to redraw. Then `new TForm3()` (never shown).
//  3. Forward user input as controls.h describes; the handlers below are already bound to the
//     controls' events. The platform must call the TimerProc and TimeCallback it was given:
//     the window timer on the GUI thread, the clock on a thread of its own.
//  4. On closing the window: `delete Form2` (its destructor runs FormDestroy through DoDestroy,
//     which shows an escaping error in platform.ShowErrorBox), then delete Form3.
#pragma once

#include "core/controls.h"
#include "core/core_export.h"
#include "core/pads.h"
#include "core/settings.h"
#include "platform/platform.h"

#include <lumarix/Lumarix.h>

#include <array>
#include <climits>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace marble {

/// The section of the settings file.
inline constexpr const char* kSettingsSection = "marbleStomper";
/// Size of the bar indicator strip.
inline constexpr int32_t kIndicatorWidth = 200;
inline constexpr int32_t kIndicatorHeight = 11;

/// The main window.
class TForm2 : public TForm {
public:
    /// Builds the window on the native window `handle` and runs the start-up sequence.
    TForm2(Platform& platform, WindowHandle handle);
    /// Runs FormDestroy (through DoDestroy) unless it already ran, and clears Form2.
    ~TForm2() override;

    // ---- Controls (owned by the form; see Controls() for the layout) ---------------------------
    TPanel* Panel1;
    TComboBox* ComboBox1;
    TEdit* Edit12;
    TUpDown* UpDown12;
    TPaintBox* PaintBox1;
    TLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9, *Label10, *Label11;
    TEdit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5, *Edit6, *Edit7, *Edit8, *Edit9, *Edit10, *Edit11;
    TUpDown *UpDown1, *UpDown2, *UpDown3, *UpDown4, *UpDown5, *UpDown6, *UpDown7, *UpDown8, *UpDown9,
        *UpDown10, *UpDown11;

    /// The controls of one pad.
    struct PadControls {
        TLabel* Label;
        TEdit* Edit;
        TUpDown* UpDown;
    };
    /// The pads' controls, in the order of kPads.
    std::array<PadControls, kPadCount> Pads{};

    // ---- Event handlers -------------------------------------------------------------------------
    /// Change of the tempo editor: falls back to "120" on bad text, clamps through UpDown12 and
    /// stores the tempo.
    void Edit12Change(TObject* Sender);
    /// Change of a pad's note by its spin buttons: auditions the new note.
    void UpDown1Click(TObject* Sender, TUDBtnType Button);
    /// The user picked another device: closes the port and opens the new line's identifier.
    void ComboBox1Change(TObject* Sender);
    /// Paint of the bar strip.
    void PaintBox1Paint(TObject* Sender);
    /// Does nothing.
    void FormKeyDown(TObject* Sender, uint16_t& Key, TShiftState Shift);
    /// Key-up of the window, the note edits and the device list: an extra note-off for a keypad digit.
    void FormKeyUp(TObject* Sender, uint16_t& Key, TShiftState Shift);
    /// Writes the settings and stops everything the constructor started.
    void FormDestroy(TObject* Sender);

    // ---- Scanner, clock, indicator -------------------------------------------------------------
    /// One scanner tick (window timer `timerId`; only timer 0 is the scanner).
    void ScanPads(uintptr_t timerId);
    /// One bar clock tick from the clock thread.
    void ClockTick(uint32_t timerId);
    /// Redraws the bar indicator and copies it onto PaintBox1.
    void DrawIndicator();

    /// The scanner's window-timer procedure; reaches the window through Form2.
    static void ScannerTimerProc(WindowHandle window, uint32_t message, uintptr_t timerId, uint32_t time);
    /// The bar clock's callback; reaches the window through Form2. Runs on the clock thread.
    static void ClockCallback(uint32_t timerId, uint32_t message, uintptr_t user, uintptr_t reserved1,
                              uintptr_t reserved2);

    // ---- State, for the front ends and tests ---------------------------------------------------
    WindowHandle Handle() const { return m_handle; }
    int32_t Tempo() const { return m_tempo.load(std::memory_order_relaxed); }
    int32_t BarCounter() const { return m_barCounter.load(std::memory_order_relaxed); }
    /// The open MIDI output port.
    MidiHandle MidiOutHandle() const { return m_midiOut; }
    /// Full name of the settings file.
    const std::string& SettingsFileName() const { return m_settingsFileName; }
    /// The indicator's off-screen bitmap (null once released).
    const lumarix::TLumarix* IndicatorBitmap() const { return m_indicator.get(); }

protected:
    void ShowException(const std::string& message) override;

private:
    void BuildControls();
    void ReadSettings();
    void WriteSettings();
    void FillDeviceList();
    void OpenSelectedPort();
    /// Sends one short message on the open port: the status byte, the note and the velocity.
    void SendMessage(int32_t status, int32_t note, int32_t velocity);
    /// Bar length in clock ticks for the current tempo.
    double BarLength() const;
    /// Draws the indicator's background, frame and beat marks onto `bitmap`.
    static void DrawIndicatorBase(lumarix::TLumarix& bitmap);
    /// Copies column `x` (inside the bitmap) of the indicator bitmap onto PaintBox1.
    void CopyIndicatorColumn(int32_t x);

    Platform& m_platform;
    MidiOut& m_midi;
    WindowHandle m_handle;

    std::unique_ptr<lumarix::TLumarix> m_indicator;
    // The indicator without its line (background, frame, beat marks): a moving line only needs
    // its old column restored from here and its new one drawn.
    std::unique_ptr<lumarix::TLumarix> m_indicatorBase;
    // Shared with the clock thread: whole 32-bit values, relaxed; only the clock writes the counter.
    std::atomic<int32_t> m_tempo{0};
    std::atomic<int32_t> m_barCounter{0};
    // Column of the line the indicator bitmap and the strip show; none before the first drawing.
    int32_t m_drawnColumn = INT32_MIN;
    uint8_t m_keyState[256] = {};
    uint8_t m_padDown[256] = {};
    int32_t m_velocity = 127;
    MidiHandle m_midiOut = 0;
    std::string m_settingsFileName;
    std::unique_ptr<TIniFile> m_settings;
};

}  // namespace marble

/// The main window; assigned before its constructor's body runs, cleared when it is destroyed.
MARBLE_CORE_API extern marble::TForm2* Form2;
/// The clock timer identifier, written by the clock callback on every tick and read at shutdown.
MARBLE_CORE_API extern std::atomic<uint32_t> ClockTimerID;
