// Portable models of the window and its standard controls.
//
// The models hold everything a window system would otherwise keep (text, positions, list items,
// selection, layout) and raise the controls' events exactly as the platform's controls do, so
// that the program's handlers run the same way under every front end and under tests. A front
// end only draws the models and forwards the user's input to them:
//
//   user input                        model call
//   --------------------------------  -------------------------------------------------------
//   typing into an editable edit      TEdit::UserSetText(newText)   (refused when ReadOnly)
//   key down / key up on a control    TWinControl::KeyDown / KeyUp  (the focused control's)
//   key down / key up, no control     TForm::KeyDown / KeyUp        (the window itself has focus)
//   spin-button arrow pressed         TUpDown::ClickButton(btNext = up, btPrev = down)
//   drop-down line picked             TComboBox::UserSelect(index)
//   paint strip needs painting        TPaintBox::Paint(), then copy TPaintBox::Surface()
//   window closed                     delete the form (its destructor runs TForm::DoDestroy)
//
// To redraw, a front end sets TControl::OnModelChanged (and TForm::OnModelChanged) to a
// callback; the models call it after any change of what they show (text, position, items,
// selection, the paint strip's pixels, the window's position). The callback must not call back
// into the models that notified it. The layout data (bounds, tab order, font, colours) is fixed
// when the form is built and is the single table both front ends draw from.
//
// Events nest as on the platform: a handler that changes a control runs that control's event
// handler to completion before its own next statement.
#pragma once

#include "platform/win_constants.h"

#include <lumarix/Graphics.h>
#include <lumarix/Lumarix.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace marble {

using lumarix::TColor;
using lumarix::TFont;

// ==== Keys, shift state, events ================================================================

// Key codes are the Windows virtual-key codes of platform/win_constants.h.

/// Modifier keys and mouse buttons held during a key event (a set of the ss* bits).
using TShiftState = uint32_t;
inline constexpr TShiftState ssShift = 1;
inline constexpr TShiftState ssAlt = 2;
inline constexpr TShiftState ssCtrl = 4;

/// Which arrow of a spin-button control was pressed: btNext = up (position + 1), btPrev = down.
enum class TUDBtnType { btNext, btPrev };

/// Base of every object that can be the Sender of an event.
class TObject {
public:
    virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;
using TKeyEvent = std::function<void(TObject* Sender, uint16_t& Key, TShiftState Shift)>;
using TUDClickEvent = std::function<void(TObject* Sender, TUDBtnType Button)>;

// ==== Controls ==================================================================================

enum class TControlKind { Panel, ComboBox, Edit, UpDown, PaintBox, Label };

/// Docking of a control inside its parent (informational: the bounds are already the docked ones).
enum class TAlign { alNone, alTop, alLeft, alClient };

class TWinControl;

/// Layout and identity shared by every control.
class TControl : public TObject {
public:
    TControl(TControlKind kind, std::string name, TWinControl* parent);

    const TControlKind Kind;
    /// The form's own name of the control ("Edit1", "UpDown12", ...).
    const std::string Name;
    /// The containing control, or null for the window's client area.
    TWinControl* const Parent;

    // Layout, in pixels relative to the parent's client area; fixed once the form is built.
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    TAlign Align = TAlign::alNone;
    /// Position in the parent's tab order; -1 for controls without one.
    int32_t TabOrder = -1;
    /// Whether Tab moves the focus onto the control.
    bool TabStop = false;
    std::string Hint;
    bool ShowHint = false;
    /// The control's font (the window's font unless the form says otherwise).
    TFont Font;
    /// Background colour (a negative value names a system colour).
    TColor Color = lumarix::clBtnFace;

    /// Called after any change of what the control shows; set by the front end.
    std::function<void(TControl&)> OnModelChanged;

protected:
    void Changed();
};

/// A control that can hold the focus and receives key events.
class TWinControl : public TControl {
public:
    using TControl::TControl;

    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;

    /// A key went down while this control has the focus.
    virtual void KeyDown(uint16_t key, TShiftState shift);
    /// A key came up while this control has the focus.
    virtual void KeyUp(uint16_t key, TShiftState shift);
};

/// A static caption.
class TLabel : public TControl {
public:
    TLabel(std::string name, TWinControl* parent) : TControl(TControlKind::Label, std::move(name), parent) {}
    std::string Caption;
};

/// A container; its caption is drawn only where no child covers it.
class TPanel : public TWinControl {
public:
    TPanel(std::string name, TWinControl* parent) : TWinControl(TControlKind::Panel, std::move(name), parent) {}
    std::string Caption;
};

class TUpDown;

/// A single-line text field.
class TEdit : public TWinControl {
public:
    TEdit(std::string name, TWinControl* parent) : TWinControl(TControlKind::Edit, std::move(name), parent) {
        TabStop = true;
        Color = lumarix::clWindow;
    }

    const std::string& Text() const { return m_text; }
    /// Sets the text; when it differs from the current one, notifies and raises OnChange.
    void SetText(const std::string& text);
    /// The user's own edit: refused (false) for a read-only edit, else SetText.
    bool UserSetText(const std::string& text);

    bool ReadOnly = false;
    TNotifyEvent OnChange;

    /// Besides OnKeyDown, the Up and Down keys step an attached spin-button control.
    void KeyDown(uint16_t key, TShiftState shift) override;
    /// The spin-button control attached to this edit, if any.
    TUpDown* Associate() const { return m_associate; }

private:
    friend class TUpDown;
    std::string m_text;
    TUpDown* m_associate = nullptr;
};

/// Spin buttons attached to an edit.
///
/// The position is a signed 16-bit value between Min and Max. The control remembers the last
/// value set on it: SetPosition first reduces its argument to 16 bits (two's complement) and
/// does nothing else when that equals the remembered value; otherwise it remembers the value,
/// clamps it into Min..Max and writes the clamped position as decimal text into the attached
/// edit (whose change event fires when that changes its text). Position() returns the current
/// position and makes it the remembered value. The arrows step by Increment within the range;
/// OnClick is raised after a real change only (never at a range limit), after the text is written.
class TUpDown : public TWinControl {
public:
    TUpDown(std::string name, TWinControl* parent, int16_t min, int16_t max, int16_t position);

    int16_t Min() const { return m_min; }
    int16_t Max() const { return m_max; }
    int16_t Increment = 1;

    /// The current position; it becomes the remembered value.
    int32_t Position();
    /// The current position without touching the remembered value (for drawing).
    int32_t CurrentPosition() const { return m_position; }
    void SetPosition(int32_t value);

    /// Attaches the edit that shows the position; the edit's Up and Down keys then step it.
    void SetAssociate(TEdit* edit);
    TEdit* Associate() const { return m_associate; }

    /// One press of an arrow (or of the attached edit's Up/Down key). True when the position changed.
    bool ClickButton(TUDBtnType button);

    TUDClickEvent OnClick;

private:
    void Store(int32_t clamped);

    int16_t m_min;
    int16_t m_max;
    int16_t m_position;
    int16_t m_remembered;
    TEdit* m_associate = nullptr;
};

/// A drop-down list to choose from (no typing).
class TComboBox : public TWinControl {
public:
    TComboBox(std::string name, TWinControl* parent)
        : TWinControl(TControlKind::ComboBox, std::move(name), parent) {
        TabStop = true;
        Color = lumarix::clWindow;
    }

    const std::vector<std::string>& Items() const { return m_items; }
    /// Removes every line; nothing is selected afterwards.
    void Clear();
    void AddItem(const std::string& item);

    /// The selected line, or -1 when nothing is selected.
    int32_t ItemIndex() const { return m_itemIndex; }
    /// Selects a line in code (raises no event); an index outside the list selects nothing.
    void SetItemIndex(int32_t index);
    /// The user picked line `index`: selects it and raises OnChange when the selection changed.
    /// An index outside the list is ignored.
    void UserSelect(int32_t index);

    int32_t ItemHeight = 13;
    TNotifyEvent OnChange;

private:
    std::vector<std::string> m_items;
    int32_t m_itemIndex = -1;
};

/// A strip the program paints itself. Its pixels live in a 32-bit surface of the strip's size;
/// the program draws on Canvas() from its OnPaint handler or at any other time.
class TPaintBox : public TControl {
public:
    TPaintBox(std::string name, TWinControl* parent, int32_t width, int32_t height);

    /// Drawing surface of the strip.
    lumarix::TCanvas& Canvas() { return m_surface.Canvas(); }
    /// The strip's pixels, for the front end to put on the screen.
    const lumarix::TLumarix& Surface() const { return m_surface; }

    /// Raises OnPaint (the front end calls this when the strip must be painted).
    void Paint();
    /// Tells the front end that the pixels changed outside Paint(): all of them, or only those
    /// inside `area` (right and bottom exclusive).
    void SurfaceChanged();
    void SurfaceChanged(const lumarix::TRect& area);
    /// Where the pixels changed at the last SurfaceChanged(), clipped to the surface.
    const lumarix::TRect& ChangedArea() const { return m_changedArea; }

    TNotifyEvent OnPaint;

private:
    lumarix::TLumarix m_surface;
    lumarix::TRect m_changedArea{};
    bool m_painting = false;
};

// ==== The window ================================================================================

enum class TFormBorderStyle { bsSingle, bsSizeable };
/// Title-bar buttons.
inline constexpr uint32_t biSystemMenu = 1;
inline constexpr uint32_t biMinimize = 2;
inline constexpr uint32_t biMaximize = 4;

/// A top-level window: its layout data and the controls it owns, in creation order.
class TForm : public TObject {
public:
    TForm();
    ~TForm() override;
    TForm(const TForm&) = delete;
    TForm& operator=(const TForm&) = delete;

    std::string Caption;
    int32_t ClientWidth = 0;
    int32_t ClientHeight = 0;
    TColor Color = lumarix::clBtnFace;
    TFont Font;
    TFormBorderStyle BorderStyle = TFormBorderStyle::bsSizeable;
    uint32_t BorderIcons = biSystemMenu | biMinimize | biMaximize;
    /// Whether the window sees its controls' keys first (never, in this program).
    bool KeyPreview = false;
    /// Whether the window is shown once built.
    bool Visible = false;

    /// Screen position of the window's top-left corner.
    int32_t Left() const { return m_left; }
    int32_t Top() const { return m_top; }
    void SetLeft(int32_t left);
    void SetTop(int32_t top);

    /// Every control of the window, in creation order (parents before their children).
    const std::vector<std::unique_ptr<TControl>>& Controls() const { return m_controls; }
    /// The control named `name`, or null.
    TControl* FindControl(const std::string& name) const;

    TNotifyEvent OnDestroy;
    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;

    /// Key events of the window itself (when it holds the focus, not one of its controls).
    void KeyDown(uint16_t key, TShiftState shift);
    void KeyUp(uint16_t key, TShiftState shift);

    /// Runs OnDestroy once. An exception escaping it is handed to ShowException.
    void DoDestroy();

    /// Called after the window's position changed; set by the front end.
    std::function<void(TForm&)> OnModelChanged;

protected:
    /// Shows an exception's message in the framework's error box; the base shows nothing.
    virtual void ShowException(const std::string& message);

    template <class T, class... Args>
    T* Add(Args&&... args) {
        auto control = std::make_unique<T>(std::forward<Args>(args)...);
        T* raw = control.get();
        raw->Font = Font;
        m_controls.push_back(std::move(control));
        return raw;
    }

private:
    int32_t m_left = 0;
    int32_t m_top = 0;
    bool m_destroyed = false;
    std::vector<std::unique_ptr<TControl>> m_controls;
};

}  // namespace marble
