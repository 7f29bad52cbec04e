// The native window of a form model, built from common controls.
//
// Model to window: every control model's OnModelChanged updates its native control (text,
// position, items, selection, pixels); the form's updates the window's position. Window to
// model: edit changes, list picks, spin-button arrows and key events go to the models, which
// raise the program's events. Native notifications caused by our own updates are ignored
// (m_syncing), so a model is never re-entered from its own notification.
#include "win32/native_form.h"

#include "core/window_placement.h"
#include "platform/win32/win32_platform.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <algorithm>
#include <exception>
#include <vector>

namespace marble {

namespace {

constexpr const wchar_t* kPanelClass = L"TPanel";
constexpr const wchar_t* kPaintBoxClass = L"TPaintBox";
/// Window property naming a control's native window after the control ("Edit1"), for
/// automation tools; holds a global atom.
constexpr const wchar_t* kNameProperty = L"marbleStomper.Name";
constexpr UINT_PTR kSubclassId = 1;
/// Drop-down lines of the device list before it scrolls.
constexpr int kDropDownLines = 8;

std::string Narrow(const wchar_t* text, int length) {
    if (length <= 0) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string narrow(size_t(std::max(n, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, narrow.data(), n, nullptr, nullptr);
    return narrow;
}

std::string WindowText(HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    std::wstring text(size_t(length) + 1, L'\0');
    const int got = GetWindowTextW(hwnd, text.data(), length + 1);
    return Narrow(text.data(), got);
}

TShiftState CurrentShiftState() {
    TShiftState shift = 0;
    if (GetKeyState(VK_SHIFT) < 0) shift |= ssShift;
    if (GetKeyState(VK_MENU) < 0) shift |= ssAlt;
    if (GetKeyState(VK_CONTROL) < 0) shift |= ssCtrl;
    return shift;
}

DWORD FrameStyle(TFormBorderStyle borderStyle, uint32_t icons) {
    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN;
    if (borderStyle == TFormBorderStyle::bsSizeable) style |= WS_THICKFRAME;
    if (icons & biSystemMenu) style |= WS_SYSMENU;
    if (icons & biMinimize) style |= WS_MINIMIZEBOX;
    if (icons & biMaximize) style |= WS_MAXIMIZEBOX;
    return style;
}

// The per-monitor DPI functions arrived with Windows 10 (1607): looked up at run time, so the
// program still starts where they are missing and then works at the screen's DPI.
template <class F>
F User32Function(const char* name) {
    FARPROC proc = GetProcAddress(GetModuleHandleW(L"user32.dll"), name);
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(proc));
}

UINT DpiOf(HWND hwnd) {
    static const auto getDpiForWindow = User32Function<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    if (getDpiForWindow != nullptr) {
        if (const UINT dpi = getDpiForWindow(hwnd); dpi != 0) return dpi;
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? UINT(dpi) : 96;
}

RECT FrameFor(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, UINT dpi) {
    static const auto adjustForDpi =
        User32Function<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
    RECT frame{0, 0, clientWidth, clientHeight};
    if (adjustForDpi == nullptr || !adjustForDpi(&frame, style, FALSE, exStyle, dpi))
        AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    return frame;
}

ScreenRect ToScreenRect(const RECT& rect) {
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

BOOL CALLBACK CollectWorkArea(HMONITOR monitor, HDC, RECT*, LPARAM data) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info))
        reinterpret_cast<std::vector<ScreenRect>*>(data)->push_back(ToScreenRect(info.rcWork));
    return TRUE;
}

NativeForm* FormOf(HWND hwnd) { return reinterpret_cast<NativeForm*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

/// Reports an exception escaping an event handler as the framework does: in its error box,
/// after which the message loop carries on.
template <class F>
void Guarded(HWND owner, F&& body) {
    try {
        body();
    } catch (const std::exception& e) {
        ShowErrorBoxW(owner, e.what());
    } catch (...) {
        ShowErrorBoxW(owner, "");
    }
}

}  // namespace

// ==== Window procedures =========================================================================

LRESULT CALLBACK FormWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        static_cast<NativeForm*>(create->lpCreateParams)->m_hwnd = hwnd;
    }
    NativeForm* form = FormOf(hwnd);
    if (form == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    LRESULT result = 0;
    bool handled = false;
    Guarded(hwnd, [&] {
        result = form->HandleMessage(message, wParam, lParam);
        handled = true;
    });
    return handled ? result : 0;
}

// A panel draws its raised bevel and caption and hands its children's notifications to the form.
LRESULT CALLBACK PanelWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    NativeForm* form = FormOf(GetAncestor(hwnd, GA_ROOT));
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT rect;
        GetClientRect(hwnd, &rect);
        HBRUSH brush = form != nullptr ? form->BrushFor(lumarix::clBtnFace) : GetSysColorBrush(COLOR_BTNFACE);
        if (form != nullptr) {
            if (auto* model = dynamic_cast<TPanel*>(form->ModelOf(hwnd))) brush = form->BrushFor(model->Color);
        }
        FillRect(dc, &rect, brush);
        DrawEdge(dc, &rect, BDR_RAISEDINNER, BF_RECT);
        const int length = GetWindowTextLengthW(hwnd);
        std::wstring caption(size_t(length) + 1, L'\0');
        GetWindowTextW(hwnd, caption.data(), length + 1);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(hwnd, WM_GETFONT, 0, 0)));
        DrawTextW(dc, caption.c_str(), length, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        SelectObject(dc, old);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_SETFONT:
        SetWindowLongPtrW(hwnd, 0, static_cast<LONG_PTR>(wParam));
        return 0;
    case WM_GETFONT:
        return GetWindowLongPtrW(hwnd, 0);
    default:
        break;
    }
    if (form != nullptr) {
        LRESULT result = 0;
        bool handled = false;
        Guarded(GetAncestor(hwnd, GA_ROOT),
                [&] { handled = form->HandleControlMessage(message, wParam, lParam, result); });
        if (handled) return result;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK PaintBoxWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        NativeForm* form = FormOf(GetAncestor(hwnd, GA_ROOT));
        if (form != nullptr) {
            Guarded(GetAncestor(hwnd, GA_ROOT), [&] {
                if (auto* box = dynamic_cast<TPaintBox*>(form->ModelOf(hwnd))) {
                    box->Paint();
                    form->PaintStrip(*box, dc);
                }
            });
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    if (message == WM_ERASEBKGND) return 1;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// Every native control is subclassed: its key events go to its model, and its name property is
// released with it.
LRESULT CALLBACK ControlSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                     DWORD_PTR data) {
    auto* form = reinterpret_cast<NativeForm*>(data);
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
        return form->HandleControlKey(hwnd, message, wParam, lParam);
    case WM_CHAR:
        // The character of a keypad digit or point typed into the device list, open or not,
        // would search the list for a name starting with it: a pad key selects nothing.
        if (form->m_padCharPending) {
            form->m_padCharPending = false;
            if (auto* control = form->ModelOf(hwnd); control != nullptr && control->Kind == TControlKind::ComboBox)
                return 0;
        }
        break;
    case WM_NCDESTROY:
        if (auto atom = static_cast<ATOM>(reinterpret_cast<uintptr_t>(RemovePropW(hwnd, kNameProperty))))
            GlobalDeleteAtom(atom);
        RemoveWindowSubclass(hwnd, ControlSubclassProc, kSubclassId);
        break;
    default:
        break;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

void RegisterNativeClasses(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);

    wc.lpfnWndProc = FormWindowProc;
    wc.hIcon = LoadIconW(instance, L"MAINICON");
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, L"MAINICON", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    wc.lpszClassName = kMainWindowClass;
    RegisterClassExW(&wc);
    wc.lpszClassName = kSecondWindowClass;
    RegisterClassExW(&wc);

    wc.hIcon = wc.hIconSm = nullptr;
    wc.lpfnWndProc = PanelWindowProc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.lpszClassName = kPanelClass;
    RegisterClassExW(&wc);

    wc.cbWndExtra = 0;
    wc.hbrBackground = nullptr;
    wc.lpfnWndProc = PaintBoxWindowProc;
    wc.lpszClassName = kPaintBoxClass;
    RegisterClassExW(&wc);
}

// ==== NativeForm ================================================================================

NativeForm::NativeForm(HINSTANCE instance, const wchar_t* className, const std::string& caption,
                       TFormBorderStyle borderStyle, uint32_t borderIcons)
    : m_instance(instance) {
    CreateWindowExW(WS_EX_APPWINDOW | WS_EX_CONTROLPARENT, className, Widen(caption).c_str(),
                    FrameStyle(borderStyle, borderIcons), CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                    CW_USEDEFAULT, nullptr, nullptr, instance, this);
    if (m_hwnd != nullptr) m_dpi = DpiOf(m_hwnd);
}

NativeForm::~NativeForm() {
    Unbind();
    if (m_hwnd != nullptr && IsWindow(m_hwnd)) {
        SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, 0);
        DestroyWindow(m_hwnd);
    }
    for (auto& [key, font] : m_fonts) DeleteObject(font);
    for (auto& [key, brush] : m_brushes) DeleteObject(brush);
}

void NativeForm::Bind(TForm& model) {
    m_model = &model;
    ++m_syncing;
    SetWindowTextW(m_hwnd, Widen(model.Caption).c_str());
    SetWindowLongW(m_hwnd, GWL_STYLE, LONG(FrameStyle(model.BorderStyle, model.BorderIcons)));
    PlaceWindow();

    // Children are created parents first; within a parent, the controls with a tab order come
    // first, in that order, since dialog navigation follows the windows' z-order.
    std::vector<TControl*> order;
    for (const auto& control : model.Controls()) order.push_back(control.get());
    std::stable_sort(order.begin(), order.end(), [](const TControl* a, const TControl* b) {
        auto depth = [](const TControl* c) {
            int d = 0;
            for (const TControl* p = c->Parent; p != nullptr; p = p->Parent) ++d;
            return d;
        };
        if (depth(a) != depth(b)) return depth(a) < depth(b);
        const int32_t ta = a->TabOrder < 0 ? INT32_MAX : a->TabOrder;
        const int32_t tb = b->TabOrder < 0 ? INT32_MAX : b->TabOrder;
        return ta < tb;
    });
    std::map<HWND, HWND> lastChild;  // parent -> last child placed in z-order
    for (TControl* control : order) {
        HWND hwnd = CreateControl(*control);
        HWND parent = GetParent(hwnd);
        auto it = lastChild.find(parent);
        SetWindowPos(hwnd, it == lastChild.end() ? HWND_TOP : it->second, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        lastChild[parent] = hwnd;
    }

    for (const auto& control : model.Controls()) {
        auto* upDown = dynamic_cast<TUpDown*>(control.get());
        if (upDown == nullptr || upDown->Associate() == nullptr) continue;
        HWND edit = m_natives.at(upDown->Associate());
        SendMessageW(m_natives.at(upDown), UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
    }
    LayoutControls();

    for (const auto& control : model.Controls()) {
        control->OnModelChanged = [this](TControl& changed) { SyncControl(changed); };
        SyncControl(*control);
    }
    model.OnModelChanged = [this](TForm&) { SyncFormPosition(); };
    --m_syncing;
}

void NativeForm::Unbind() {
    if (m_model == nullptr) return;
    for (const auto& control : m_model->Controls()) control->OnModelChanged = nullptr;
    m_model->OnModelChanged = nullptr;
    m_model = nullptr;
    m_models.clear();
    m_natives.clear();
}

void NativeForm::Show() {
    ShowWindow(m_hwnd, SW_SHOWNORMAL);
    UpdateWindow(m_hwnd);
    HWND first = GetNextDlgTabItem(m_hwnd, nullptr, FALSE);
    SetFocus(first != nullptr ? first : m_hwnd);
}

HWND NativeForm::CreateControl(TControl& control) {
    HWND parent = control.Parent != nullptr ? m_natives.at(control.Parent) : m_hwnd;
    const DWORD tabStop = control.TabStop ? WS_TABSTOP : 0;
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    DWORD exStyle = 0;
    const wchar_t* className = L"";
    std::wstring text;
    switch (control.Kind) {
    case TControlKind::Panel:
        className = kPanelClass;
        style |= WS_CLIPCHILDREN;
        exStyle |= WS_EX_CONTROLPARENT;
        text = Widen(static_cast<TPanel&>(control).Caption);
        break;
    case TControlKind::ComboBox:
        className = WC_COMBOBOXW;
        style |= CBS_DROPDOWNLIST | WS_VSCROLL | tabStop;
        break;
    case TControlKind::Edit:
        className = WC_EDITW;
        style |= ES_AUTOHSCROLL | tabStop | (static_cast<TEdit&>(control).ReadOnly ? ES_READONLY : 0);
        exStyle |= WS_EX_CLIENTEDGE;
        break;
    case TControlKind::UpDown:
        className = UPDOWN_CLASSW;
        style |= UDS_NOTHOUSANDS | tabStop;
        break;
    case TControlKind::PaintBox:
        className = kPaintBoxClass;
        break;
    case TControlKind::Label:
        className = WC_STATICW;
        style |= SS_LEFT | SS_NOPREFIX;
        text = Widen(static_cast<TLabel&>(control).Caption);
        break;
    }
    const RECT at = NativeRect(control);
    HWND hwnd = CreateWindowExW(exStyle, className, text.c_str(), style, at.left, at.top, at.right - at.left,
                                at.bottom - at.top, parent, nullptr, m_instance, nullptr);
    m_models[hwnd] = &control;
    m_natives[&control] = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_ID, LONG_PTR(m_models.size()));
    SetPropW(hwnd, kNameProperty,
             reinterpret_cast<HANDLE>(uintptr_t(GlobalAddAtomW(Widen(control.Name).c_str()))));
    SetWindowSubclass(hwnd, ControlSubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    if (auto* upDown = dynamic_cast<TUpDown*>(&control))
        SendMessageW(hwnd, UDM_SETRANGE32, WPARAM(upDown->Min()), LPARAM(upDown->Max()));
    return hwnd;
}

int NativeForm::Scale(int32_t length) const { return MulDiv(length, int(m_dpi), 96); }

RECT NativeForm::NativeRect(const TControl& control) const {
    int32_t height = control.Height;
    // The height of a drop-down list's window is that of its open list.
    if (auto* combo = dynamic_cast<const TComboBox*>(&control)) height += kDropDownLines * combo->ItemHeight;
    return {Scale(control.Left), Scale(control.Top), Scale(control.Left + control.Width), Scale(control.Top + height)};
}

void NativeForm::LayoutControls() {
    ++m_syncing;
    for (const auto& [control, hwnd] : m_natives) {
        const RECT at = NativeRect(*control);
        SetWindowPos(hwnd, nullptr, at.left, at.top, at.right - at.left, at.bottom - at.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(control->Font)), TRUE);
        if (auto* combo = dynamic_cast<const TComboBox*>(control))
            SendMessageW(hwnd, CB_SETITEMHEIGHT, 0, Scale(combo->ItemHeight));
    }
    // Spin buttons attached to an edit: the edit gives up the part the buttons cover, as the
    // platform's own attachment does, so that both stay visible and clickable.
    for (const auto& [control, hwnd] : m_natives) {
        auto* upDown = dynamic_cast<const TUpDown*>(control);
        if (upDown == nullptr || upDown->Associate() == nullptr) continue;
        const TEdit* edit = upDown->Associate();
        if (upDown->Parent == edit->Parent && upDown->Left > edit->Left && upDown->Left < edit->Left + edit->Width &&
            upDown->Top < edit->Top + edit->Height && edit->Top < upDown->Top + upDown->Height) {
            const RECT at = NativeRect(*edit);
            SetWindowPos(m_natives.at(edit), nullptr, 0, 0, Scale(upDown->Left) - at.left, at.bottom - at.top,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    --m_syncing;
}

void NativeForm::PlaceWindow() {
    // Moved first: the place decides the window's DPI, and that its size.
    SetWindowPos(m_hwnd, nullptr, m_model->Left(), m_model->Top(), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    m_dpi = DpiOf(m_hwnd);
    SendMessageW(m_hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(m_model->Font)), FALSE);
    SizeFrame();
    KeepOnScreen();
}

void NativeForm::SizeFrame() {
    const DWORD style = DWORD(GetWindowLongW(m_hwnd, GWL_STYLE));
    const DWORD exStyle = DWORD(GetWindowLongW(m_hwnd, GWL_EXSTYLE));
    const int clientWidth = Scale(m_model->ClientWidth);
    const int clientHeight = Scale(m_model->ClientHeight);
    const RECT frame = FrameFor(clientWidth, clientHeight, style, exStyle, m_dpi);
    SetWindowPos(m_hwnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Correct for a frame drawn differently from what AdjustWindowRectEx expects.
    RECT client;
    GetClientRect(m_hwnd, &client);
    const int dw = clientWidth - client.right;
    const int dh = clientHeight - client.bottom;
    if (dw != 0 || dh != 0) {
        SetWindowPos(m_hwnd, nullptr, 0, 0, frame.right - frame.left + dw, frame.bottom - frame.top + dh,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void NativeForm::KeepOnScreen() {
    std::vector<ScreenRect> areas;
    EnumDisplayMonitors(nullptr, nullptr, CollectWorkArea, reinterpret_cast<LPARAM>(&areas));
    MONITORINFO primary{};
    primary.cbSize = sizeof primary;
    if (!GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &primary)) return;
    RECT rect;
    GetWindowRect(m_hwnd, &rect);
    const ScreenPoint at = PlaceOnScreen(ToScreenRect(rect), areas, ToScreenRect(primary.rcWork));
    if (at.x == rect.left && at.y == rect.top) return;
    ++m_syncing;
    SetWindowPos(m_hwnd, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (m_model->Left() != at.x) m_model->SetLeft(at.x);
    if (m_model->Top() != at.y) m_model->SetTop(at.y);
    --m_syncing;
}

void NativeForm::ChangeDpi(UINT dpi, const RECT& suggested) {
    m_dpi = dpi;
    ++m_syncing;
    SendMessageW(m_hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(m_model->Font)), FALSE);
    --m_syncing;
    LayoutControls();
    // Outside m_syncing: the form follows the window to the place the system chose.
    SetWindowPos(m_hwnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    SizeFrame();
    RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void NativeForm::SyncFormPosition() {
    // The window's own moves reach the form with m_syncing raised: nothing to send back.
    if (m_model == nullptr || m_syncing != 0) return;
    RECT rect;
    GetWindowRect(m_hwnd, &rect);
    if (rect.left == m_model->Left() && rect.top == m_model->Top()) return;
    ++m_syncing;
    SetWindowPos(m_hwnd, nullptr, m_model->Left(), m_model->Top(), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    --m_syncing;
    KeepOnScreen();
}

void NativeForm::SyncControl(TControl& control) {
    auto it = m_natives.find(&control);
    if (it == m_natives.end()) return;
    HWND hwnd = it->second;
    ++m_syncing;
    switch (control.Kind) {
    case TControlKind::Edit: {
        const std::string& text = static_cast<TEdit&>(control).Text();
        if (WindowText(hwnd) != text) SetWindowTextW(hwnd, Widen(text).c_str());
        break;
    }
    case TControlKind::UpDown:
        SendMessageW(hwnd, UDM_SETPOS32, 0, static_cast<TUpDown&>(control).CurrentPosition());
        break;
    case TControlKind::ComboBox: {
        auto& combo = static_cast<TComboBox&>(control);
        // Device names come from the ANSI capability record: the ANSI calls read them right.
        const auto& items = combo.Items();
        bool same = LRESULT(items.size()) == SendMessageA(hwnd, CB_GETCOUNT, 0, 0);
        for (size_t i = 0; same && i < items.size(); ++i) {
            const LRESULT length = SendMessageA(hwnd, CB_GETLBTEXTLEN, i, 0);
            std::string line(size_t(std::max<LRESULT>(length, 0)) + 1, '\0');
            SendMessageA(hwnd, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(line.data()));
            line.resize(size_t(std::max<LRESULT>(length, 0)));
            same = line == items[i];
        }
        if (!same) {
            SendMessageA(hwnd, CB_RESETCONTENT, 0, 0);
            for (const std::string& item : items) SendMessageA(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        }
        SendMessageA(hwnd, CB_SETCURSEL, WPARAM(combo.ItemIndex()), 0);
        break;
    }
    case TControlKind::Label:
        SetWindowTextW(hwnd, Widen(static_cast<TLabel&>(control).Caption).c_str());
        break;
    case TControlKind::Panel:
        SetWindowTextW(hwnd, Widen(static_cast<TPanel&>(control).Caption).c_str());
        InvalidateRect(hwnd, nullptr, FALSE);
        break;
    case TControlKind::PaintBox:
        if (HDC dc = GetDC(hwnd)) {
            PaintStrip(static_cast<TPaintBox&>(control), dc);
            ReleaseDC(hwnd, dc);
        }
        break;
    }
    --m_syncing;
}

void NativeForm::PaintStrip(TPaintBox& box, HDC dc) {
    const lumarix::TLumarix& surface = box.Surface();
    if (surface.Width() <= 0 || surface.Height() <= 0) return;
    // The surface is a top-down 32-bit bitmap with rows of 4 × width bytes: a DIB as it stands.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = surface.RowStride() / 4;
    info.bmiHeader.biHeight = -surface.Height();
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    // Stretched to the strip's size at this DPI, pixel by pixel so that its lines stay sharp.
    const RECT at = NativeRect(box);
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, 0, 0, at.right - at.left, at.bottom - at.top, 0, 0, surface.Width(), surface.Height(),
                  surface.ScanLine(0), &info, DIB_RGB_COLORS, SRCCOPY);
}

HFONT NativeForm::FontFor(const lumarix::TFont& font) {
    const int height = Scale(font.PixelHeight());
    const std::wstring key =
        Widen(font.Name) + L"/" + std::to_wstring(height) + L"/" + std::to_wstring(font.Style.Bits());
    auto it = m_fonts.find(key);
    if (it != m_fonts.end()) return it->second;
    // A negative height asks for that character height in pixels, as the framework does.
    HFONT handle = CreateFontW(-height, 0, 0, 0, font.Style.Contains(lumarix::fsBold) ? FW_BOLD : FW_NORMAL,
                               font.Style.Contains(lumarix::fsItalic), font.Style.Contains(lumarix::fsUnderline),
                               font.Style.Contains(lumarix::fsStrikeOut), DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                               Widen(font.Name).c_str());
    m_fonts.emplace(key, handle);
    return handle;
}

HBRUSH NativeForm::BrushFor(TColor color) {
    auto it = m_brushes.find(color);
    if (it != m_brushes.end()) return it->second;
    HBRUSH brush = CreateSolidBrush(COLORREF(lumarix::ColorToRGB(color)));
    m_brushes.emplace(color, brush);
    return brush;
}

TControl* NativeForm::ModelOf(HWND hwnd) const {
    auto it = m_models.find(hwnd);
    return it == m_models.end() ? nullptr : it->second;
}

// ==== Messages ==================================================================================

LRESULT NativeForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleControlMessage(message, wParam, lParam, result)) return result;
    switch (message) {
    case WM_CLOSE:
        if (OnClose) {
            OnClose();
            return 0;
        }
        break;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_DPICHANGED:
        // Placing the window at start-up settles its DPI itself (PlaceWindow).
        if (m_model != nullptr && m_syncing == 0 && LOWORD(wParam) != m_dpi) {
            ChangeDpi(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        }
        break;
    case WM_ENDSESSION:
        // The process may be ended as soon as this returns: close the window now, the way the
        // user would, so the settings are written and the clock and the port are stopped.
        if (wParam != FALSE && OnClose) OnClose();
        return 0;
    case WM_ACTIVATEAPP:
        if (wParam == FALSE) KeyboardLost();
        break;
    case WM_MOUSEACTIVATE:
        // A click on the window brings the keyboard back even where no activation follows.
        KeyboardRegained();
        break;
    case WM_ACTIVATE:
        // Give the focus back to the control that had it when the window was deactivated.
        if (LOWORD(wParam) == WA_INACTIVE) {
            m_lastFocus = GetFocus();
            KeyboardLost();
            break;
        }
        KeyboardRegained();
        if (m_lastFocus != nullptr && IsWindow(m_lastFocus) && IsChild(m_hwnd, m_lastFocus)) {
            SetFocus(m_lastFocus);
            return 0;
        }
        break;
    case WM_WINDOWPOSCHANGED:
        if (m_model != nullptr && m_syncing == 0 && !IsIconic(m_hwnd)) {
            RECT rect;
            GetWindowRect(m_hwnd, &rect);
            ++m_syncing;
            if (rect.left != m_model->Left()) m_model->SetLeft(rect.left);
            if (rect.top != m_model->Top()) m_model->SetTop(rect.top);
            --m_syncing;
        }
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        KeyboardRegained((lParam & (1 << 30)) == 0 ? uint8_t(wParam) : 0);
        if (m_model != nullptr) m_model->KeyDown(uint16_t(wParam), CurrentShiftState());
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        if (m_model != nullptr) m_model->KeyUp(uint16_t(wParam), CurrentShiftState());
        break;
    case MM_MOM_OPEN:
    case MM_MOM_CLOSE:
    case MM_MOM_DONE:
        // The MIDI port's notifications: the program has no use for them.
        return 0;
    default:
        break;
    }
    return DefWindowProcW(m_hwnd, message, wParam, lParam);
}

bool NativeForm::HandleControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_COMMAND: {
        TControl* control = ModelOf(reinterpret_cast<HWND>(lParam));
        if (control == nullptr || m_syncing != 0) return false;
        if (HIWORD(wParam) == EN_CHANGE) {
            if (auto* edit = dynamic_cast<TEdit*>(control)) {
                const std::string text = WindowText(reinterpret_cast<HWND>(lParam));
                if (!edit->UserSetText(text)) SyncControl(*edit);
                result = 0;
                return true;
            }
        } else if (HIWORD(wParam) == CBN_SELCHANGE) {
            if (auto* combo = dynamic_cast<TComboBox*>(control)) {
                combo->UserSelect(int32_t(SendMessageW(reinterpret_cast<HWND>(lParam), CB_GETCURSEL, 0, 0)));
                SyncControl(*combo);
                result = 0;
                return true;
            }
        }
        return false;
    }
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code != UDN_DELTAPOS) return false;
        auto* upDown = dynamic_cast<TUpDown*>(ModelOf(header->hwndFrom));
        if (upDown == nullptr) return false;
        // The model moves the position (and raises the click); the native control only shows it.
        const auto* change = reinterpret_cast<const NMUPDOWN*>(lParam);
        if (m_syncing == 0 && change->iDelta != 0)
            upDown->ClickButton(change->iDelta > 0 ? TUDBtnType::btNext : TUDBtnType::btPrev);
        result = TRUE;
        return true;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX: {
        TControl* control = ModelOf(reinterpret_cast<HWND>(lParam));
        if (control == nullptr) return false;
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, COLORREF(lumarix::ColorToRGB(control->Font.Color)));
        SetBkColor(dc, COLORREF(lumarix::ColorToRGB(control->Color)));
        result = reinterpret_cast<LRESULT>(BrushFor(control->Color));
        return true;
    }
    default:
        return false;
    }
}

LRESULT NativeForm::HandleControlKey(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (auto* control = dynamic_cast<TWinControl*>(ModelOf(hwnd))) {
        const auto key = uint16_t(wParam);
        Guarded(m_hwnd, [&] {
            if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) {
                control->KeyDown(key, CurrentShiftState());
            } else {
                control->KeyUp(key, CurrentShiftState());
            }
        });
        // A key arriving here shows the keyboard is ours, whether or not an activation said so.
        if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN)
            KeyboardRegained((lParam & (1 << 30)) == 0 ? uint8_t(key) : 0);
        const bool padKey = (key >= VK_NUMPAD0 && key <= VK_NUMPAD9) || key == VK_DECIMAL;
        if (message == WM_KEYDOWN) m_padCharPending = padKey;
        // In the device list a pad key is only a pad: it neither moves the selection nor
        // reaches the list's own handling, whether the drop-down is open or closed.
        if (padKey && control->Kind == TControlKind::ComboBox) return 0;
        // Alt+F4 closes the window whichever control has the focus; Wine's drop-down list would
        // take it as its own open key.
        if (message == WM_SYSKEYDOWN && wParam == VK_F4 && control->Kind == TControlKind::ComboBox)
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace marble
