// Feeds the keyboard state from the application's key events.
#pragma once

#include <QObject>

#include <cstdint>

class QKeyEvent;

namespace marble::linux_platform {
class KeyboardState;
}

namespace marble::qt {

/// An application-wide event filter that keeps a KeyboardState up to date. Each key event is
/// taken once, where it reaches a window (the widget stage sees it again and is left alone).
/// Auto-repeated presses and releases change nothing. When the application loses the keyboard
/// (another program's window becomes active, or ours is deactivated or hidden) every key counts
/// as released, since its release will be delivered elsewhere.
class KeyboardFilter : public QObject {
public:
    explicit KeyboardFilter(linux_platform::KeyboardState& state, QObject* parent = nullptr);

    /// The virtual-key code a key-up handler gets for `event`: the code its press was recorded
    /// under, when this filter has just released that physical key, else VirtualKeyOf(event).
    uint16_t KeyUpCode(const QKeyEvent& event) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    linux_platform::KeyboardState& m_state;
    quint32 m_lastReleasedPhysical = 0;
    uint16_t m_lastReleasedVk = 0;
};

}  // namespace marble::qt
