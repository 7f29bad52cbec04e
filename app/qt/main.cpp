// The drum pad on Linux: the Qt application, the platform, the main window and the hidden
// second window.
#include "application.h"
#include "keyboard_filter.h"
#include "main_window.h"
#include "synth_line.h"
#include "termination.h"
#include "window_timers.h"
#include "x11_autorepeat.h"

#include "core/Unit2.h"
#include "core/Unit3.h"
#include "platform/linux/linux_platform.h"

#include <exception>
#include <memory>
#include <optional>

int main(int argc, char** argv) {
    marble::qt::PreferQuietDefaults();
    marble::qt::Application app(argc, argv);
    marble::linux_platform::LinuxPlatform platform;
    marble::qt::WindowTimers windowTimers;
    platform.SetWindowTimers(&windowTimers);
    platform.SetErrorBox(&marble::qt::ShowErrorBox);
    app.SetErrorBox(&marble::qt::ShowErrorBox);
    try {
        marble::qt::KeyboardFilter keyFilter(platform.Keys());
        app.installEventFilter(&keyFilter);
        marble::qt::EnableDetectableAutoRepeat();

        auto window = std::make_unique<marble::qt::MainWindow>(&keyFilter);
        new marble::TForm2(platform, window->Handle());
        window->Bind(*Form2);
        new marble::TForm3();
        marble::qt::CloseOnTerminationSignals(window.get());
        {
            // Until the form goes: the built-in synthesizer's line follows its sound.
            auto* list = dynamic_cast<marble::qt::DeviceListWidget*>(window->WidgetOf("ComboBox1"));
            std::optional<marble::qt::SynthLine> synthLine;
            if (list != nullptr) synthLine.emplace(*list, platform.Midi());
            window->show();
            app.exec();
        }

        // Closing the window ends the loop; destroying the form writes the settings and stops
        // the clocks and the MIDI port.
        window->Unbind();
        delete Form2;
        delete Form3;
        app.removeEventFilter(&keyFilter);
    } catch (const std::exception& e) {
        app.ShowError(e.what());
        return 1;
    } catch (...) {
        app.ShowError("");
        return 1;
    }
    return 0;
}
