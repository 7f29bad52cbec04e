#include "keyboard_state.h"

#include <cstring>

namespace marble::linux_platform {

void KeyboardState::Press(uint32_t physical, uint8_t vk) {
    if (vk == 0 || HeldAs(physical) != 0 || m_count == kMaxHeld) return;
    m_held[m_count++] = {physical, vk};
}

void KeyboardState::Release(uint32_t physical) {
    for (int i = 0; i < m_count; ++i) {
        if (m_held[i].physical == physical) {
            m_held[i] = m_held[--m_count];
            return;
        }
    }
}

void KeyboardState::ReleaseAll() { m_count = 0; }

void KeyboardState::Snapshot(uint8_t* state256) const {
    std::memset(state256, 0, 256);
    for (int i = 0; i < m_count; ++i) state256[m_held[i].vk] = 0x80;
    if (state256[VK_LCONTROL] != 0 || state256[VK_RCONTROL] != 0) state256[VK_CONTROL] = 0x80;
}

bool KeyboardState::IsDown(uint8_t vk) const {
    uint8_t state[256];
    Snapshot(state);
    return (state[vk] & 0x80) != 0;
}

uint8_t KeyboardState::HeldAs(uint32_t physical) const {
    for (int i = 0; i < m_count; ++i) {
        if (m_held[i].physical == physical) return m_held[i].vk;
    }
    return 0;
}

}  // namespace marble::linux_platform
