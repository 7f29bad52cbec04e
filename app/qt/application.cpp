#include "application.h"

#include <QIcon>
#include <QMessageBox>

#include <cstdio>
#include <exception>

namespace marble::qt {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("marbleStomper"));
    setDesktopFileName(QStringLiteral("marbleStomper"));
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256}) icon.addFile(QStringLiteral(":/icons/marbleStomper-%1.png").arg(size));
    setWindowIcon(icon);
}

void Application::ShowError(const std::string& message) {
    if (m_errorBox) {
        m_errorBox(message);
    } else {
        std::fprintf(stderr, "marbleStomper: %s\n", message.c_str());
    }
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowError(e.what());
    } catch (...) {
        ShowError("");
    }
    return false;
}

void PreferQuietDefaults() {
    for (const char* name : {"QT_NO_GLIB", "QT_XCB_NO_MITSHM"}) {
        if (!qEnvironmentVariableIsSet(name)) qputenv(name, "1");
    }
}

void ShowErrorBox(const std::string& message) {
    QMessageBox::critical(nullptr, QStringLiteral("marbleStomper"), QString::fromUtf8(message.c_str()));
}

}  // namespace marble::qt
