#include "core/Unit2.h"

#include <algorithm>
#include <cstring>
#include <exception>

marble::TForm2* Form2 = nullptr;
std::atomic<uint32_t> ClockTimerID{0};

namespace marble {

static_assert(std::atomic<int32_t>::is_always_lock_free && std::atomic<uint32_t>::is_always_lock_free,
              "the values shared with the clock thread must be plain words");

namespace {

// Every message goes to the tenth channel (9 counted from 0), General MIDI's percussion.
constexpr int32_t kPercussionChannel = 9;
constexpr int32_t kStatusNoteOn = 0x90 + kPercussionChannel;
constexpr int32_t kStatusNoteOff = 0x80 + kPercussionChannel;
constexpr int32_t kFullVelocity = 127;
constexpr int32_t kCtrlVelocity = 82;
constexpr uint32_t kAuditionMs = 120;
constexpr uint32_t kScannerPeriodMs = 10;
constexpr uintptr_t kScannerTimerId = 0;

bool IsDown(const uint8_t* state, uint16_t key) { return (state[key] & 0x80) != 0; }

}  // namespace

// ==== Start-up ==================================================================================

TForm2::TForm2(Platform& platform, WindowHandle handle)
    : m_platform(platform), m_midi(platform.Midi()), m_handle(handle) {
    // The clock callback and the scanner find the window through Form2.
    ::Form2 = this;

    BuildControls();

    const std::string executablePath = m_platform.ExecutablePath();
    m_settingsFileName = SettingsFileLocation(m_platform, executablePath);
    m_settings = std::make_unique<TIniFile>(m_platform, m_settingsFileName,
                                            SettingsStartingPoint(m_platform, executablePath, m_settingsFileName));
    ReadSettings();

    m_indicator = std::make_unique<lumarix::TLumarix>();
    m_indicator->SetSize(PaintBox1->Width, PaintBox1->Height);

    m_tempo.store(125, std::memory_order_relaxed);
    // The callback stores its identifier on every tick; storing the same identifier here as well
    // lets the shutdown stop a clock that has not ticked yet.
    ::ClockTimerID.store(m_platform.timeSetEvent(1, 500, &TForm2::ClockCallback, 0, TIME_PERIODIC),
                         std::memory_order_relaxed);
    try {
        m_platform.SetTimer(m_handle, kScannerTimerId, kScannerPeriodMs, &TForm2::ScannerTimerProc);

        FillDeviceList();
        ComboBox1->SetItemIndex(m_settings->ReadInteger(kSettingsSection, "MIDI", 0));
        OpenSelectedPort();
    } catch (...) {
        // The window never comes to life and its object goes away with the error: stop what
        // reaches it from other threads first, before the error box shows the failure.
        m_platform.KillTimer(m_handle, kScannerTimerId);
        m_platform.timeKillEvent(::ClockTimerID.load(std::memory_order_relaxed));
        if (::Form2 == this) ::Form2 = nullptr;
        throw;
    }
}

TForm2::~TForm2() {
    DoDestroy();
    if (::Form2 == this) ::Form2 = nullptr;
}

void TForm2::BuildControls() {
    Caption = "marbleStomper";
    ClientWidth = 200;
    ClientHeight = 146;
    Color = lumarix::clBtnFace;
    Font.Name = "Tahoma";
    Font.Size = 8;
    BorderStyle = TFormBorderStyle::bsSingle;
    BorderIcons = biSystemMenu | biMinimize;
    KeyPreview = false;
    Visible = true;
    OnDestroy = [this](TObject* sender) { FormDestroy(sender); };
    OnKeyDown = [this](TObject* sender, uint16_t& key, TShiftState shift) { FormKeyDown(sender, key, shift); };
    OnKeyUp = [this](TObject* sender, uint16_t& key, TShiftState shift) { FormKeyUp(sender, key, shift); };
    const TKeyEvent keyDown = OnKeyDown;
    const TKeyEvent keyUp = OnKeyUp;

    Panel1 = Add<TPanel>("Panel1", nullptr);
    Panel1->Left = 0, Panel1->Top = 0, Panel1->Width = 200, Panel1->Height = 23;
    Panel1->Align = TAlign::alTop;
    Panel1->Caption = "Panel1";
    Panel1->TabOrder = 0;

    ComboBox1 = Add<TComboBox>("ComboBox1", Panel1);
    ComboBox1->Left = 1, ComboBox1->Top = 1, ComboBox1->Width = 146, ComboBox1->Height = 21;
    ComboBox1->Align = TAlign::alLeft;
    ComboBox1->ItemHeight = 13;
    ComboBox1->TabOrder = 0;
    ComboBox1->OnChange = [this](TObject* sender) { ComboBox1Change(sender); };
    ComboBox1->OnKeyDown = keyDown;
    ComboBox1->OnKeyUp = keyUp;

    Edit12 = Add<TEdit>("Edit12", Panel1);
    Edit12->Left = 147, Edit12->Top = 1, Edit12->Width = 52, Edit12->Height = 21;
    Edit12->Align = TAlign::alClient;
    Edit12->Hint = "Tempo";
    Edit12->ShowHint = false;
    Edit12->TabOrder = 1;
    Edit12->SetText("125");

    UpDown12 = Add<TUpDown>("UpDown12", Panel1, int16_t(20), int16_t(250), int16_t(125));
    UpDown12->Left = 181, UpDown12->Top = 1, UpDown12->Width = 16, UpDown12->Height = 21;
    UpDown12->TabOrder = 2;
    UpDown12->SetAssociate(Edit12);
    // Bound after the design text is in place, as the framework loads a form before its events fire.
    Edit12->OnChange = [this](TObject* sender) { Edit12Change(sender); };

    PaintBox1 = Add<TPaintBox>("PaintBox1", nullptr, kIndicatorWidth, kIndicatorHeight);
    PaintBox1->Left = 0, PaintBox1->Top = 23;
    PaintBox1->Align = TAlign::alTop;
    PaintBox1->OnPaint = [this](TObject* sender) { PaintBox1Paint(sender); };

    for (size_t i = 0; i < kPads.size(); ++i) {
        const PadSpec& pad = kPads[i];
        const std::string number = std::to_string(pad.controlNumber);

        TLabel* label = Add<TLabel>("Label" + number, nullptr);
        label->Left = pad.labelLeft, label->Top = pad.labelTop;
        label->Width = pad.labelWidth, label->Height = kLabelHeight;
        label->Caption = pad.caption;

        TEdit* edit = Add<TEdit>("Edit" + number, nullptr);
        edit->Left = pad.editLeft, edit->Top = pad.editTop;
        edit->Width = kNoteEditWidth, edit->Height = kNoteEditHeight;
        edit->ReadOnly = true;
        edit->Font.Color = lumarix::clGrayText;
        edit->TabOrder = pad.editTabOrder;
        edit->SetText("35");
        edit->OnKeyDown = keyDown;
        edit->OnKeyUp = keyUp;

        TUpDown* upDown = Add<TUpDown>("UpDown" + number, nullptr, int16_t(0), int16_t(127), int16_t(35));
        upDown->Left = pad.upDownLeft, upDown->Top = pad.upDownTop;
        upDown->Width = kPadUpDownWidth, upDown->Height = kPadUpDownHeight;
        upDown->Increment = 1;
        upDown->TabOrder = pad.upDownTabOrder;
        upDown->SetAssociate(edit);
        upDown->OnClick = [this](TObject* sender, TUDBtnType button) { UpDown1Click(sender, button); };

        Pads[i] = PadControls{label, edit, upDown};
    }
    Label1 = Pads[0].Label, Label2 = Pads[1].Label, Label3 = Pads[2].Label, Label4 = Pads[3].Label;
    Label5 = Pads[4].Label, Label6 = Pads[5].Label, Label7 = Pads[6].Label, Label8 = Pads[7].Label;
    Label9 = Pads[8].Label, Label10 = Pads[9].Label, Label11 = Pads[10].Label;
    Edit1 = Pads[0].Edit, Edit2 = Pads[1].Edit, Edit3 = Pads[2].Edit, Edit4 = Pads[3].Edit;
    Edit5 = Pads[4].Edit, Edit6 = Pads[5].Edit, Edit7 = Pads[6].Edit, Edit8 = Pads[7].Edit;
    Edit9 = Pads[8].Edit, Edit10 = Pads[9].Edit, Edit11 = Pads[10].Edit;
    UpDown1 = Pads[0].UpDown, UpDown2 = Pads[1].UpDown, UpDown3 = Pads[2].UpDown, UpDown4 = Pads[3].UpDown;
    UpDown5 = Pads[4].UpDown, UpDown6 = Pads[5].UpDown, UpDown7 = Pads[6].UpDown, UpDown8 = Pads[7].UpDown;
    UpDown9 = Pads[8].UpDown, UpDown10 = Pads[9].UpDown, UpDown11 = Pads[10].UpDown;
}

void TForm2::ReadSettings() {
    for (size_t i = 0; i < kPads.size(); ++i) {
        Pads[i].UpDown->SetPosition(m_settings->ReadInteger(kSettingsSection, kPads[i].settingsKey,
                                                            kPads[i].defaultNote));
    }
    SetTop(m_settings->ReadInteger(kSettingsSection, "Top", 0));
    SetLeft(m_settings->ReadInteger(kSettingsSection, "Left", 0));
}

// ==== MIDI device ===============================================================================

void TForm2::FillDeviceList() {
    ComboBox1->Clear();
    const uint32_t count = m_midi.midiOutGetNumDevs();
    for (uint32_t id = 0; id < count; ++id) {
        MidiOutCaps caps;
        if (m_midi.midiOutGetDevCapsA(id, caps, sizeof(MidiOutCaps)) == MMSYSERR_NOERROR) {
            // The name field need not be terminated.
            ComboBox1->AddItem(std::string(caps.szPname, strnlen(caps.szPname, sizeof(caps.szPname))));
        }
    }
}

void TForm2::OpenSelectedPort() {
    // The list line is the device identifier; no line (-1) is the platform's MIDI mapper.
    m_midi.midiOutOpen(m_midiOut, static_cast<uint32_t>(ComboBox1->ItemIndex()), m_handle, 0, CALLBACK_WINDOW);
}

void TForm2::ComboBox1Change(TObject*) {
    m_midi.midiOutClose(m_midiOut);
    OpenSelectedPort();
}

void TForm2::SendMessage(int32_t status, int32_t note, int32_t velocity) {
    const uint32_t word =
        (uint32_t(status) & 0xFF) | ((uint32_t(note) & 0xFF) << 8) | ((uint32_t(velocity) & 0xFF) << 16);
    m_midi.midiOutShortMsg(m_midiOut, word);
}

// ==== Pads ======================================================================================

void TForm2::ScannerTimerProc(WindowHandle, uint32_t, uintptr_t timerId, uint32_t) {
    if (::Form2 != nullptr) ::Form2->ScanPads(timerId);
}

void TForm2::ScanPads(uintptr_t timerId) {
    if (timerId != kScannerTimerId) return;
    m_platform.GetKeyboardState(m_keyState);
    m_velocity = IsDown(m_keyState, VK_CONTROL) ? kCtrlVelocity : kFullVelocity;
    for (size_t i = 0; i < kPads.size(); ++i) {
        const uint16_t key = kPads[i].key;
        const bool down = IsDown(m_keyState, key);
        if (down && m_padDown[key] == 0) {
            m_padDown[key] = 1;
            SendMessage(kStatusNoteOn, Pads[i].UpDown->Position(), m_velocity);
        } else if (!down && m_padDown[key] != 0) {
            m_padDown[key] = 0;
            SendMessage(kStatusNoteOff, Pads[i].UpDown->Position(), m_velocity);
        }
    }
    DrawIndicator();
}

void TForm2::FormKeyDown(TObject*, uint16_t&, TShiftState) {}

void TForm2::FormKeyUp(TObject*, uint16_t& Key, TShiftState) {
    if (Key < VK_NUMPAD0 || Key > VK_NUMPAD9) return;
    const int32_t pad = PadIndexOfKey(Key);
    if (pad < 0 || !kPads[size_t(pad)].keyUpNoteOff) return;
    SendMessage(kStatusNoteOff, Pads[size_t(pad)].UpDown->Position(), kFullVelocity);
}

void TForm2::UpDown1Click(TObject* Sender, TUDBtnType) {
    auto* upDown = dynamic_cast<TUpDown*>(Sender);
    if (upDown == nullptr) return;
    SendMessage(kStatusNoteOn, upDown->Position(), kFullVelocity);
    m_platform.Sleep(kAuditionMs);
    SendMessage(kStatusNoteOff, upDown->Position(), kFullVelocity);
}

// ==== Tempo, bar clock, indicator ===============================================================

void TForm2::Edit12Change(TObject*) {
    int32_t value = 0;
    if (!TryStrToInt(Edit12->Text(), value)) Edit12->SetText("120");
    if (!TryStrToInt(Edit12->Text(), value)) value = 120;
    UpDown12->SetPosition(value);
    if (!TryStrToInt(Edit12->Text(), value)) value = 120;
    m_tempo.store(value, std::memory_order_relaxed);
}

double TForm2::BarLength() const {
    return 60.0 / double(m_tempo.load(std::memory_order_relaxed)) * 4000.0;
}

void TForm2::ClockCallback(uint32_t timerId, uint32_t, uintptr_t, uintptr_t, uintptr_t) {
    if (::Form2 != nullptr) ::Form2->ClockTick(timerId);
}

void TForm2::ClockTick(uint32_t timerId) {
    const double length = BarLength();
    const int32_t counter = m_barCounter.load(std::memory_order_relaxed);
    m_barCounter.store(double(counter) >= length ? 0 : counter + 1, std::memory_order_relaxed);
    ::ClockTimerID.store(timerId, std::memory_order_relaxed);
}

void TForm2::PaintBox1Paint(TObject*) { DrawIndicator(); }

void TForm2::DrawIndicatorBase(lumarix::TLumarix& bitmap) {
    lumarix::TCanvas& canvas = bitmap.Canvas();
    const int32_t w = bitmap.Width();
    const int32_t h = bitmap.Height();
    canvas.Brush.Color = lumarix::clBlack;
    canvas.FillRect(lumarix::Rect(0, 0, w, h));

    // A line covers its start point but not its end point, so only the top row and the left
    // column of this frame land on the bitmap.
    canvas.Pen.Color = lumarix::clWhite;
    canvas.Pen.Width = 1;
    canvas.MoveTo(0, 0);
    canvas.LineTo(w, 0);
    canvas.LineTo(w, h);
    canvas.LineTo(0, h);
    canvas.LineTo(0, 0);
    for (int32_t i = 0; i < 4; ++i) {
        const int32_t x = i * (w / 4);
        canvas.MoveTo(x, 0);
        canvas.LineTo(x, h);
    }
}

void TForm2::CopyIndicatorColumn(int32_t x) {
    const lumarix::TRect column = lumarix::Rect(x, 0, x + 1, m_indicator->Height());
    PaintBox1->Canvas().CopyRect(column, m_indicator->Canvas(), column);
}

void TForm2::DrawIndicator() {
    if (!m_indicator) return;
    lumarix::TLumarix& bitmap = *m_indicator;
    lumarix::TCanvas& canvas = bitmap.Canvas();
    const int32_t w = bitmap.Width();
    const int32_t h = bitmap.Height();

    const double scale = double(w) / BarLength();
    const double position = double(m_barCounter.load(std::memory_order_relaxed)) * scale;
    const auto x = static_cast<int32_t>(position);
    // The picture depends on nothing but the line's column: when that has not moved, the
    // bitmap and the strip already hold these pixels, and the front end is not asked to
    // repaint (a tick draws nothing on most idle ticks at slow tempos).
    if (x == m_drawnColumn) return;
    const int32_t previous = m_drawnColumn;
    m_drawnColumn = x;

    const bool first = !m_indicatorBase;
    if (first) {
        m_indicatorBase = std::make_unique<lumarix::TLumarix>();
        m_indicatorBase->SetSize(w, h);
        DrawIndicatorBase(*m_indicatorBase);
        canvas.Draw(0, 0, *m_indicatorBase);
    } else if (previous >= 0 && previous < w) {
        // Everything but the old line's column already matches the base picture.
        const lumarix::TRect column = lumarix::Rect(previous, 0, previous + 1, h);
        canvas.CopyRect(column, m_indicatorBase->Canvas(), column);
    }

    canvas.Pen.Color = lumarix::clYellow;
    canvas.Pen.Width = 1;
    canvas.MoveTo(x, 0);
    canvas.LineTo(x, h);

    if (first) {
        PaintBox1->Canvas().Draw(0, 0, bitmap);
        PaintBox1->SurfaceChanged();
        return;
    }
    // The strip differs from the bitmap only in the two columns the line left and entered.
    int32_t left = w;
    int32_t right = 0;
    for (const int32_t column : {previous, x}) {
        if (column < 0 || column >= w) continue;
        CopyIndicatorColumn(column);
        left = std::min(left, column);
        right = std::max(right, column + 1);
    }
    if (left < right) PaintBox1->SurfaceChanged(lumarix::Rect(left, 0, right, h));
}

// ==== Shutdown ==================================================================================

void TForm2::WriteSettings() {
    m_settings->WriteInteger(kSettingsSection, "Top", Top());
    m_settings->WriteInteger(kSettingsSection, "Left", Left());
    m_settings->WriteInteger(kSettingsSection, "MIDI", ComboBox1->ItemIndex());
    for (size_t i = 0; i < kPads.size(); ++i) {
        m_settings->WriteInteger(kSettingsSection, kPads[i].settingsKey, Pads[i].UpDown->Position());
    }
    m_settings->UpdateFile();
}

void TForm2::FormDestroy(TObject*) {
    // A failed write skips the remaining writes, but the rest of the shutdown still runs: the
    // clock must stop before the window goes away, and the port is reset and closed. The error
    // then goes on to the framework's error box.
    std::exception_ptr writeError;
    try {
        WriteSettings();
    } catch (...) {
        writeError = std::current_exception();
    }
    m_settings.reset();

    m_platform.KillTimer(m_handle, kScannerTimerId);
    m_platform.timeKillEvent(::ClockTimerID.load(std::memory_order_relaxed));
    m_midi.midiOutReset(m_midiOut);
    m_midi.midiOutClose(m_midiOut);
    m_indicator.reset();
    m_indicatorBase.reset();

    if (writeError) std::rethrow_exception(writeError);
}

void TForm2::ShowException(const std::string& message) { m_platform.ShowErrorBox(message); }

}  // namespace marble
