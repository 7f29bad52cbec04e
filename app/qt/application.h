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

/// The framework's standard error box: a modal Qt message box with the program's caption.
void ShowErrorBox(const std::string& message);

}  // namespace marble::qt
