// A native Windows window bound to a portable form model: the window and its common controls
// are built from the model's layout, draw what the model holds and hand the user's input back
// to it. All of it runs on the GUI thread.
#pragma once

#include "core/controls.h"

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace marble {

/// Window class names of the program's own windows.
inline constexpr const wchar_t* kMainWindowClass = L"TForm2";
inline constexpr const wchar_t* kSecondWindowClass = L"TForm3";

/// Registers the window classes (once per process).
void RegisterNativeClasses(HINSTANCE instance);

/// The native window of one form.
class NativeForm {
public:
    /// Creates the hidden top-level window with the framework's styles for `borderStyle`/`icons`.
    NativeForm(HINSTANCE instance, const wchar_t* className, const std::string& caption,
               TFormBorderStyle borderStyle, uint32_t borderIcons);
    ~NativeForm();
    NativeForm(const NativeForm&) = delete;
    NativeForm& operator=(const NativeForm&) = delete;

    HWND Handle() const { return m_hwnd; }

    /// Builds the native controls of `model` (caption, client size, position, font, controls in
    /// tab order) and keeps them in step with it until Unbind.
    void Bind(TForm& model);
    /// Forgets the model (before it is destroyed); the native window stays until destroyed.
    void Unbind();
    /// Shows the window and puts the focus on the first control in tab order.
    void Show();

    /// Called by the window procedure when the user closes the window.
    std::function<void()> OnClose;

private:
    friend LRESULT CALLBACK FormWindowProc(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT CALLBACK PanelWindowProc(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT CALLBACK PaintBoxWindowProc(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT CALLBACK ControlSubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    /// Notifications and colour requests of the controls (also those a panel passes on).
    bool HandleControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    LRESULT HandleControlKey(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND CreateControl(TControl& control);
    /// Sizes and places every native control, its font and its list's line height at m_dpi.
    void LayoutControls();
    void PlaceWindow();
    /// Gives the window the form's client size at m_dpi, its top-left corner staying put.
    void SizeFrame();
    /// Moves a window the user could not reach onto the primary screen; the form learns the place.
    void KeepOnScreen();
    /// WM_DPICHANGED: everything scaled to `dpi`, the window moved to the system's `suggested` rectangle.
    void ChangeDpi(UINT dpi, const RECT& suggested);
    void SyncControl(TControl& control);
    void SyncFormPosition();
    void PaintStrip(TPaintBox& box, HDC dc);
    /// A length of the form's layout (given at 96 dots per inch) in this window's pixels.
    int Scale(int32_t length) const;
    /// A control's rectangle in its parent's pixels: edges scaled, so neighbours stay neighbours.
    RECT NativeRect(const TControl& control) const;
    HFONT FontFor(const lumarix::TFont& font);
    HBRUSH BrushFor(TColor color);
    TControl* ModelOf(HWND hwnd) const;

    HINSTANCE m_instance;
    HWND m_hwnd = nullptr;
    /// The window's dots per inch: the layout is given at 96 and scaled to this.
    UINT m_dpi = 96;
    TForm* m_model = nullptr;
    std::map<HWND, TControl*> m_models;
    std::map<const TControl*, HWND> m_natives;
    std::map<std::wstring, HFONT> m_fonts;
    std::map<TColor, HBRUSH> m_brushes;
    HWND m_lastFocus = nullptr;
    /// The last key-down was a keypad digit or point: its WM_CHAR must not search the device list.
    bool m_padCharPending = false;
    /// Above 0 while the window is being updated from the model: native notifications caused by
    /// that update are not handed back to the model.
    int m_syncing = 0;
};

}  // namespace marble
