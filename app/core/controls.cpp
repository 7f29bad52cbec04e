#include "core/controls.h"

#include <algorithm>
#include <exception>

namespace marble {

// ==== TControl, TWinControl =====================================================================

TControl::TControl(TControlKind kind, std::string name, TWinControl* parent)
    : Kind(kind), Name(std::move(name)), Parent(parent) {}

void TControl::Changed() {
    if (OnModelChanged) OnModelChanged(*this);
}

void TWinControl::KeyDown(uint16_t key, TShiftState shift) {
    if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(uint16_t key, TShiftState shift) {
    if (OnKeyUp) OnKeyUp(this, key, shift);
}

// ==== TEdit =====================================================================================

void TEdit::SetText(const std::string& text) {
    if (text == m_text) return;
    m_text = text;
    Changed();
    if (OnChange) OnChange(this);
}

bool TEdit::UserSetText(const std::string& text) {
    if (ReadOnly) return false;
    SetText(text);
    return true;
}

void TEdit::KeyDown(uint16_t key, TShiftState shift) {
    // The key event comes first; a handler that clears Key keeps it from the spin buttons.
    if (OnKeyDown) OnKeyDown(this, key, shift);
    if (m_associate == nullptr) return;
    if (key == VK_UP) {
        m_associate->ClickButton(TUDBtnType::btNext);
    } else if (key == VK_DOWN) {
        m_associate->ClickButton(TUDBtnType::btPrev);
    }
}

// ==== TUpDown ===================================================================================

TUpDown::TUpDown(std::string name, TWinControl* parent, int16_t min, int16_t max, int16_t position)
    : TWinControl(TControlKind::UpDown, std::move(name), parent),
      m_min(min),
      m_max(max),
      m_position(std::clamp(position, min, max)),
      m_remembered(position) {}

int32_t TUpDown::Position() {
    m_remembered = m_position;
    return m_position;
}

void TUpDown::SetPosition(int32_t value) {
    const auto reduced = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(value)));
    if (reduced == m_remembered) return;
    m_remembered = reduced;
    Store(std::clamp<int32_t>(reduced, m_min, m_max));
}

void TUpDown::Store(int32_t clamped) {
    m_position = static_cast<int16_t>(clamped);
    Changed();
    // The edit raises its own change event when the text really changes; that handler runs to
    // completion before we return.
    if (m_associate != nullptr) m_associate->SetText(std::to_string(m_position));
}

void TUpDown::SetAssociate(TEdit* edit) {
    if (m_associate != nullptr) m_associate->m_associate = nullptr;
    m_associate = edit;
    if (edit != nullptr) edit->m_associate = this;
}

bool TUpDown::ClickButton(TUDBtnType button) {
    const int32_t step = button == TUDBtnType::btNext ? Increment : -Increment;
    const int32_t target = std::clamp<int32_t>(m_position + step, m_min, m_max);
    if (target == m_position) return false;
    Store(target);
    if (OnClick) OnClick(this, button);
    return true;
}

// ==== TComboBox =================================================================================

void TComboBox::Clear() {
    m_items.clear();
    m_itemIndex = -1;
    Changed();
}

void TComboBox::AddItem(const std::string& item) {
    m_items.push_back(item);
    Changed();
}

void TComboBox::SetItemIndex(int32_t index) {
    const bool inList = index >= 0 && static_cast<size_t>(index) < m_items.size();
    m_itemIndex = inList ? index : -1;
    Changed();
}

void TComboBox::UserSelect(int32_t index) {
    if (index < 0 || static_cast<size_t>(index) >= m_items.size() || index == m_itemIndex) return;
    m_itemIndex = index;
    Changed();
    if (OnChange) OnChange(this);
}

// ==== TPaintBox =================================================================================

TPaintBox::TPaintBox(std::string name, TWinControl* parent, int32_t width, int32_t height)
    : TControl(TControlKind::PaintBox, std::move(name), parent) {
    Width = width;
    Height = height;
    m_surface.SetSize(width, height);
}

void TPaintBox::Paint() {
    m_painting = true;
    try {
        if (OnPaint) OnPaint(this);
    } catch (...) {
        m_painting = false;
        throw;
    }
    m_painting = false;
}

void TPaintBox::SurfaceChanged() { SurfaceChanged(lumarix::Rect(0, 0, m_surface.Width(), m_surface.Height())); }

void TPaintBox::SurfaceChanged(const lumarix::TRect& area) {
    if (m_painting) return;
    m_changedArea = lumarix::Rect(std::max(area.Left, 0), std::max(area.Top, 0), std::min(area.Right, m_surface.Width()),
                                  std::min(area.Bottom, m_surface.Height()));
    Changed();
}

// ==== TForm =====================================================================================

TForm::TForm() = default;
TForm::~TForm() = default;

void TForm::SetLeft(int32_t left) {
    m_left = left;
    if (OnModelChanged) OnModelChanged(*this);
}

void TForm::SetTop(int32_t top) {
    m_top = top;
    if (OnModelChanged) OnModelChanged(*this);
}

TControl* TForm::FindControl(const std::string& name) const {
    for (const auto& control : m_controls) {
        if (control->Name == name) return control.get();
    }
    return nullptr;
}

void TForm::KeyDown(uint16_t key, TShiftState shift) {
    if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TForm::KeyUp(uint16_t key, TShiftState shift) {
    if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TForm::DoDestroy() {
    if (m_destroyed) return;
    m_destroyed = true;
    try {
        if (OnDestroy) OnDestroy(this);
    } catch (const std::exception& e) {
        ShowException(e.what());
    } catch (...) {
        ShowException("");
    }
}

void TForm::ShowException(const std::string&) {}

}  // namespace marble
