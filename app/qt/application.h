// The Qt application object of the drum pad.
#pragma once

#include <QApplication>

#include <functional>
#include <string>

namespace marble::qt {

/// A QApplication that shows an exception escaping an event handler in the error box and goes
/// on, as the framework's message loop does (Qt itself would end the program).
class Application : public QApplication {
public:
    Application(int& argc, char** argv);
    /// The error box (the platform's); until set, messages go to stderr.
    void SetErrorBox(std::function<void(const std::string&)> box) { m_errorBox = std::move(box); }
    void ShowError(const std::string& message);

    bool notify(QObject* receiver, QEvent* event) override;

private:
    std::function<void(const std::string&)> m_errorBox;
};

/// Picks the lighter of Qt's equivalent run-time paths before the application object exists,
/// unless the environment already chose: Qt's own event loop rather than GLib's, and plain
/// image transfers to the X server rather than shared memory. The window wakes a hundred times
/// a second for the scanner, and each wake of GLib's loop, and each shared-memory transfer's
/// completion event (a second thread's wake), costs more than the strip's two columns.
void PreferQuietDefaults();

/// The framework's standard error box: a modal Qt message box with the program's caption.
void ShowErrorBox(const std::string& message);

}  // namespace marble::qt
