#include "keyboard_filter.h"

#include "key_mapping.h"
#include "platform/linux/keyboard_state.h"

#include <QApplicationStateChangeEvent>
#include <QKeyEvent>
#include <QWindow>

namespace marble::qt {

KeyboardFilter::KeyboardFilter(linux_platform::KeyboardState& state, QObject* parent)
    : QObject(parent), m_state(state) {}

uint16_t KeyboardFilter::KeyUpCode(const QKeyEvent& event) const {
    if (m_lastReleasedVk != 0 && PhysicalKeyOf(event) == m_lastReleasedPhysical) {
        return m_lastReleasedVk == VK_LCONTROL || m_lastReleasedVk == VK_RCONTROL ? VK_CONTROL : m_lastReleasedVk;
    }
    return VirtualKeyOf(event);
}

bool KeyboardFilter::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        if (!watched->isWindowType()) break;
        const auto* key = static_cast<const QKeyEvent*>(event);
        if (key->isAutoRepeat()) break;
        const quint32 physical = PhysicalKeyOf(*key);
        if (event->type() == QEvent::KeyPress) {
            m_state.Press(physical, PadVirtualKey(*key));
        } else {
            m_lastReleasedPhysical = physical;
            m_lastReleasedVk = m_state.HeldAs(physical);
            m_state.Release(physical);
        }
        break;
    }
    case QEvent::ApplicationStateChange:
        if (static_cast<QApplicationStateChangeEvent*>(event)->applicationState() != Qt::ApplicationActive) {
            m_state.ReleaseAll();
        }
        break;
    case QEvent::FocusOut:
    case QEvent::Hide:
        // A drop-down list's popup takes the keyboard only while it is open; it is not a loss.
        if (watched->isWindowType() && static_cast<QWindow*>(watched)->type() != Qt::Popup) m_state.ReleaseAll();
        break;
    default: break;
    }
    return false;
}

}  // namespace marble::qt
