#include "x11_autorepeat.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <X11/XKBlib.h>

namespace marble::qt {

bool EnableDetectableAutoRepeat() {
    auto* x11 = qApp != nullptr ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 == nullptr || x11->display() == nullptr) return false;
    int supported = 0;
    return XkbSetDetectableAutoRepeat(x11->display(), 1, &supported) != 0 && supported != 0;
}

}  // namespace marble::qt
