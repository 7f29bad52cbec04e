// Reads the windows of another program under the same Wine server, for the drum pad's tests:
//   probe windows TITLE   every top-level window titled TITLE and all its child windows
//   probe message TITLE   the texts inside the message boxes titled TITLE
//   probe dpichanged TITLE DPI   tells those windows they are now on a monitor of DPI
//   probe resources EXE   the icon, manifest and version information of an executable
// Output is UTF-8, one line per window, "key=value" fields.
#include <windows.h>
#include <commctrl.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring Wide(const char* text) {
    int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring out(size_t(n > 0 ? n - 1 : 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), n);
    return out;
}

std::wstring Text(HWND hwnd) {
    // WM_GETTEXT works across processes, GetWindowText does not for other programs' controls.
    const LRESULT length = SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(size_t(length) + 1, L'\0');
    const LRESULT got = SendMessageW(hwnd, WM_GETTEXT, WPARAM(length + 1), reinterpret_cast<LPARAM>(text.data()));
    text.resize(size_t(got));
    return text;
}

std::string ClassOf(HWND hwnd) {
    wchar_t name[128] = L"";
    GetClassNameW(hwnd, name, 128);
    return Utf8(name);
}

std::string NameOf(HWND hwnd) {
    const auto atom = static_cast<ATOM>(reinterpret_cast<uintptr_t>(GetPropW(hwnd, L"marbleStomper.Name")));
    wchar_t name[128] = L"-";
    if (atom != 0) GlobalGetAtomNameW(atom, name, 128);
    return Utf8(name);
}

void Out(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
}

struct Search {
    std::wstring title;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND hwnd, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    if (Text(hwnd) == search->title) search->found.push_back(hwnd);
    return TRUE;
}

std::vector<HWND> TopLevel(const char* title) {
    Search search{Wide(title), {}};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM data) {
    reinterpret_cast<std::vector<HWND>*>(data)->push_back(hwnd);
    return TRUE;
}

std::string Hex(unsigned long value) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%08lx", value);
    return text;
}

void DescribeChild(HWND hwnd, HWND focus) {
    HWND parent = GetParent(hwnd);
    RECT rect;
    GetWindowRect(hwnd, &rect);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    std::string line = "child name=" + NameOf(hwnd) + " class=" + ClassOf(hwnd) + " parent=" + NameOf(parent) +
                       " rect=" + std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
                       std::to_string(rect.right - rect.left) + "," + std::to_string(rect.bottom - rect.top) +
                       " style=" + Hex(GetWindowLongW(hwnd, GWL_STYLE)) +
                       " exstyle=" + Hex(GetWindowLongW(hwnd, GWL_EXSTYLE)) +
                       " focus=" + (hwnd == focus ? "1" : "0");
    const std::string cls = ClassOf(hwnd);
    if (cls == "msctls_updown32") {
        // The 16-bit range message: its answer needs no memory of ours in the other process.
        const auto range = DWORD(SendMessageW(hwnd, UDM_GETRANGE, 0, 0));
        line += " range=" + std::to_string(short(HIWORD(range))) + ".." + std::to_string(short(LOWORD(range))) +
                " pos=" + std::to_string(int(SendMessageW(hwnd, UDM_GETPOS32, 0, 0))) +
                " buddy=" + NameOf(reinterpret_cast<HWND>(SendMessageW(hwnd, UDM_GETBUDDY, 0, 0)));
    } else if (cls == "ComboBox") {
        const int count = int(SendMessageW(hwnd, CB_GETCOUNT, 0, 0));
        line += " count=" + std::to_string(count) + " sel=" + std::to_string(int(SendMessageW(hwnd, CB_GETCURSEL, 0, 0)));
        for (int i = 0; i < count; ++i) {
            const LRESULT length = SendMessageW(hwnd, CB_GETLBTEXTLEN, WPARAM(i), 0);
            std::wstring item(size_t(length) + 1, L'\0');
            SendMessageW(hwnd, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(item.data()));
            item.resize(size_t(length));
            line += " item" + std::to_string(i) + "=\"" + Utf8(item) + "\"";
        }
    } else {
        line += " text=\"" + Utf8(Text(hwnd)) + "\"";
    }
    Out(line);
}

int Windows(const char* title) {
    for (HWND hwnd : TopLevel(title)) {
        RECT rect, client;
        GetWindowRect(hwnd, &rect);
        GetClientRect(hwnd, &client);
        DWORD pid = 0;
        const DWORD thread = GetWindowThreadProcessId(hwnd, &pid);
        GUITHREADINFO gui{};
        gui.cbSize = sizeof gui;
        GetGUIThreadInfo(thread, &gui);
        Out("window class=" + ClassOf(hwnd) + " title=\"" + Utf8(Text(hwnd)) + "\" visible=" +
            (IsWindowVisible(hwnd) ? "1" : "0") + " style=" + Hex(GetWindowLongW(hwnd, GWL_STYLE)) +
            " exstyle=" + Hex(GetWindowLongW(hwnd, GWL_EXSTYLE)) + " rect=" + std::to_string(rect.left) + "," +
            std::to_string(rect.top) + "," + std::to_string(rect.right - rect.left) + "," +
            std::to_string(rect.bottom - rect.top) + " client=" + std::to_string(client.right) + "," +
            std::to_string(client.bottom) + " icon=" + (GetClassLongPtrW(hwnd, GCLP_HICON) != 0 ? "1" : "0") +
            " focus=" + (gui.hwndFocus == hwnd ? "1" : "0"));
        std::vector<HWND> children;
        EnumChildWindows(hwnd, CollectChild, reinterpret_cast<LPARAM>(&children));
        for (HWND child : children) DescribeChild(child, gui.hwndFocus);
    }
    return 0;
}

// Asks the top-level windows titled `title` to close, as their close button would.
int Close(const char* title) {
    for (HWND hwnd : TopLevel(title)) PostMessageW(hwnd, WM_CLOSE, 0, 0);
    return 0;
}

// Tells the top-level windows titled `title` that they moved to a monitor of `dpi` dots per inch,
// as the system does, with their rectangle scaled to it as the suggested one. The rectangle is
// written into the window's own process, where the message's pointer is read.
int DpiChanged(const char* title, int dpi) {
    for (HWND hwnd : TopLevel(title)) {
        RECT rect;
        GetWindowRect(hwnd, &rect);
        const UINT old = GetDpiForWindow(hwnd);
        const RECT suggested{rect.left, rect.top, rect.left + MulDiv(rect.right - rect.left, dpi, int(old)),
                             rect.top + MulDiv(rect.bottom - rect.top, dpi, int(old))};
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
        if (process == nullptr) return 1;
        void* remote = VirtualAllocEx(process, nullptr, sizeof suggested, MEM_COMMIT, PAGE_READWRITE);
        WriteProcessMemory(process, remote, &suggested, sizeof suggested, nullptr);
        SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(remote));
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
        CloseHandle(process);
    }
    return 0;
}

int Message(const char* title) {
    for (HWND hwnd : TopLevel(title)) {
        if (ClassOf(hwnd) != "#32770") continue;
        std::vector<HWND> children;
        EnumChildWindows(hwnd, CollectChild, reinterpret_cast<LPARAM>(&children));
        for (HWND child : children) {
            if (ClassOf(child) == "Static" && !Text(child).empty()) Out("text=\"" + Utf8(Text(child)) + "\"");
        }
    }
    return 0;
}

std::string VersionString(const std::vector<char>& info, const char* name) {
    char* value = nullptr;
    UINT length = 0;
    const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || length == 0) return "";
    return std::string(value, strnlen(value, length));
}

int Resources(const char* exe) {
    HMODULE module = LoadLibraryExA(exe, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) {
        std::fprintf(stderr, "probe: cannot load %s\n", exe);
        return 1;
    }
    Out(std::string("icon=") + (FindResourceA(module, "MAINICON", MAKEINTRESOURCEA(14)) != nullptr ? "1" : "0"));
    if (HRSRC manifest = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24))) {
        const char* text = static_cast<const char*>(LockResource(LoadResource(module, manifest)));
        std::string xml(text, SizeofResource(module, manifest));
        for (char& c : xml) {
            if (c == '\r' || c == '\n') c = ' ';
        }
        Out("manifest=" + xml);
    }
    FreeLibrary(module);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(exe, &ignored);
    std::vector<char> info(size);
    if (size != 0 && GetFileVersionInfoA(exe, 0, size, info.data())) {
        Out("ProductName=" + VersionString(info, "ProductName"));
        Out("FileVersion=" + VersionString(info, "FileVersion"));
        Out("OriginalFilename=" + VersionString(info, "OriginalFilename"));
    }
    return 0;
}

// Windows are reported in the pixels they have on the screen: a DPI-unaware probe would be
// told sizes scaled back to 96 dots per inch.
void BecomeDpiAware() {
    using SetContext = BOOL(WINAPI*)(HANDLE);
    FARPROC proc = GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext");
    const auto set = reinterpret_cast<SetContext>(reinterpret_cast<void (*)()>(proc));
    if (set == nullptr || !set(reinterpret_cast<HANDLE>(-4))) SetProcessDPIAware();  // -4: per monitor, v2
}

}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    BecomeDpiAware();
    if (argc == 3 && std::strcmp(argv[1], "resources") == 0) return Resources(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "windows") == 0) return Windows(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "message") == 0) return Message(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "close") == 0) return Close(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "dpichanged") == 0) return DpiChanged(argv[2], std::atoi(argv[3]));
    std::fprintf(stderr, "usage: probe windows|message|close TITLE | probe dpichanged TITLE DPI | probe resources EXE\n");
    return 2;
}
