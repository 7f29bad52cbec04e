// The program's entry point: initialise the framework, create the main window Form2 and the
// never-shown Form3, run the message loop; closing the main window shuts everything down.
#include "core/Unit2.h"
#include "core/Unit3.h"
#include "win32/native_form.h"
#include "platform/win32/win32_platform.h"

#include <commctrl.h>

#include <exception>
#include <memory>

namespace marble {
namespace {

struct Application {
    // Declared so that on an early exit the windows let go of the forms before these are destroyed.
    Win32Platform platform;
    std::unique_ptr<TForm2> form2;
    std::unique_ptr<TForm3> form3;
    std::unique_ptr<NativeForm> mainWindow;
    std::unique_ptr<NativeForm> secondWindow;

    void Create(HINSTANCE instance) {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS};
        InitCommonControlsEx(&controls);
        RegisterNativeClasses(instance);

        // The main window (which owns the taskbar button) exists before its form: the form's
        // constructor hands the window to the scanner timer and the MIDI port.
        mainWindow = std::make_unique<NativeForm>(instance, kMainWindowClass, "", TFormBorderStyle::bsSingle,
                                                  biSystemMenu | biMinimize);
        form2 = std::make_unique<TForm2>(platform, reinterpret_cast<WindowHandle>(mainWindow->Handle()));
        mainWindow->Bind(*form2);
        mainWindow->OnClose = [this] { Close(); };

        form3 = std::make_unique<TForm3>();
        secondWindow = std::make_unique<NativeForm>(instance, kSecondWindowClass, "", form3->BorderStyle,
                                                    form3->BorderIcons);
        secondWindow->Bind(*form3);

        if (form2->Visible) mainWindow->Show();
    }

    // Closing the main window: the forms are destroyed (Form2's FormDestroy writes the settings
    // and stops the timers and the port) while their windows still exist, then the windows.
    void Close() {
        mainWindow->Unbind();
        form2.reset();
        secondWindow->Unbind();
        form3.reset();
        secondWindow.reset();
        mainWindow.reset();
        PostQuitMessage(0);
    }

    int Run() {
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            // Tab, Shift+Tab and the other dialog keys move the focus between the controls.
            if (mainWindow != nullptr && IsDialogMessageW(mainWindow->Handle(), &msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        return 0;
    }
};

}  // namespace
}  // namespace marble

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    auto app = std::make_unique<marble::Application>();
    try {
        app->Create(instance);
        return app->Run();
    } catch (const std::exception& e) {
        marble::ShowErrorBoxW(nullptr, e.what());
    } catch (...) {
        marble::ShowErrorBoxW(nullptr, "");
    }
    return 0;
}
