#include "platform/fake/fake_platform.h"

#include <algorithm>
#include <chrono>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace marble {

namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%x", value);
    return text;
}

std::string Str(const char* text) { return text == nullptr ? "null" : '"' + std::string(text) + '"'; }

}  // namespace

FakePlatform::FakePlatform() = default;

FakePlatform::~FakePlatform() { StopClockThread(); }

// ==== Recording =================================================================================

void FakePlatform::Log(std::string line) {
    std::lock_guard lock(m_mutex);
    m_calls.push_back(std::move(line));
}

std::vector<std::string> FakePlatform::Calls() const {
    std::lock_guard lock(m_mutex);
    return m_calls;
}

std::vector<std::string> FakePlatform::CallsNamed(const std::string& prefix) const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> result;
    for (const auto& call : m_calls) {
        if (call.compare(0, prefix.size(), prefix) == 0) result.push_back(call);
    }
    return result;
}

std::vector<uint32_t> FakePlatform::ShortMessages() const {
    std::lock_guard lock(m_mutex);
    return m_messages;
}

void FakePlatform::ClearCalls() {
    std::lock_guard lock(m_mutex);
    m_calls.clear();
    m_messages.clear();
}

// ==== MIDI ======================================================================================

void FakePlatform::AddDevice(const std::string& name, bool capsFail) { m_devices.push_back({name, capsFail}); }

uint32_t FakePlatform::midiOutGetNumDevs() {
    Log("midiOutGetNumDevs()");
    return uint32_t(m_devices.size());
}

uint32_t FakePlatform::midiOutGetDevCapsA(uintptr_t deviceId, MidiOutCaps& caps, uint32_t size) {
    Log("midiOutGetDevCapsA(" + std::to_string(deviceId) + ", size=" + std::to_string(size) + ")");
    if (deviceId >= m_devices.size() || m_devices[deviceId].capsFail || size < sizeof(MidiOutCaps)) {
        return MMSYSERR_BADDEVICEID;
    }
    caps = MidiOutCaps{};
    // Like the platform, a name of 32 characters or more fills the field without a terminator.
    const std::string& name = m_devices[deviceId].name;
    std::memcpy(caps.szPname, name.data(), std::min(name.size(), sizeof(caps.szPname)));
    return MMSYSERR_NOERROR;
}

uint32_t FakePlatform::midiOutOpen(MidiHandle& handle, uint32_t deviceId, uintptr_t callback, uintptr_t instance,
                                   uint32_t flags) {
    Log("midiOutOpen(dev=" + std::to_string(int32_t(deviceId)) + ", cb=" + std::to_string(callback) +
        ", inst=" + std::to_string(instance) + ", flags=" + Hex(flags) + ")");
    const bool known = deviceId < m_devices.size() || (deviceId == MIDI_MAPPER && !m_devices.empty());
    if (!known) return MMSYSERR_BADDEVICEID;
    handle = HandleOfOpen(m_opens++);
    return MMSYSERR_NOERROR;
}

uint32_t FakePlatform::midiOutShortMsg(MidiHandle handle, uint32_t message) {
    Log("midiOutShortMsg(h=" + std::to_string(handle) + ", " + Hex(message) + ")");
    std::lock_guard lock(m_mutex);
    m_messages.push_back(message);
    return MMSYSERR_NOERROR;
}

uint32_t FakePlatform::midiOutReset(MidiHandle handle) {
    Log("midiOutReset(h=" + std::to_string(handle) + ")");
    return MMSYSERR_NOERROR;
}

uint32_t FakePlatform::midiOutClose(MidiHandle handle) {
    Log("midiOutClose(h=" + std::to_string(handle) + ")");
    return MMSYSERR_NOERROR;
}

// ==== Timers ====================================================================================

uint32_t FakePlatform::timeSetEvent(uint32_t delay, uint32_t resolution, TimeCallback callback, uintptr_t user,
                                    uint32_t flags) {
    Log("timeSetEvent(" + std::to_string(delay) + ", " + std::to_string(resolution) +
        ", cb, user=" + std::to_string(user) + ", flags=" + std::to_string(flags) + ")");
    StopClockThread();
    {
        std::lock_guard lock(m_mutex);
        m_clock = callback;
        m_clockId = nextClockId;
        m_clockUser = user;
    }
    if (clockOnThread && callback != nullptr) {
        m_clockStop.store(false, std::memory_order_relaxed);
        m_clockThread = std::thread([this, callback, id = m_clockId, user] {
            while (!m_clockStop.load(std::memory_order_relaxed)) {
                callback(id, 0, user, 0, 0);
                m_threadTicks.fetch_add(1, std::memory_order_relaxed);
                std::this_thread::sleep_for(std::chrono::microseconds(20));
            }
        });
    }
    return m_clockId;
}

void FakePlatform::StopClockThread() {
    if (!m_clockThread.joinable()) return;
    m_clockStop.store(true, std::memory_order_relaxed);
    m_clockThread.join();
}

uint32_t FakePlatform::timeKillEvent(uint32_t timerId) {
    Log("timeKillEvent(" + std::to_string(timerId) + ")");
    {
        std::lock_guard lock(m_mutex);
        if (m_clock == nullptr || timerId != m_clockId) return 97;  // TIMERR_NOCANDO
        m_clock = nullptr;
    }
    // Like the real clock, a callback still running has finished when this returns.
    StopClockThread();
    return 0;
}

bool FakePlatform::FireClock() {
    TimeCallback callback;
    uint32_t id;
    uintptr_t user;
    {
        std::lock_guard lock(m_mutex);
        callback = m_clock;
        id = m_clockId;
        user = m_clockUser;
    }
    if (callback == nullptr) return false;
    callback(id, 0, user, 0, 0);
    return true;
}

bool FakePlatform::ClockRunning() const {
    std::lock_guard lock(m_mutex);
    return m_clock != nullptr;
}

uintptr_t FakePlatform::SetTimer(WindowHandle window, uintptr_t timerId, uint32_t elapse, TimerProc proc) {
    Log("SetTimer(wnd=" + std::to_string(window) + ", id=" + std::to_string(timerId) + ", " + std::to_string(elapse) +
        ", proc)");
    m_windowTimers[timerId] = {window, proc};
    return timerId == 0 ? 1 : timerId;
}

bool FakePlatform::KillTimer(WindowHandle window, uintptr_t timerId) {
    Log("KillTimer(wnd=" + std::to_string(window) + ", id=" + std::to_string(timerId) + ")");
    return m_windowTimers.erase(timerId) != 0;
}

bool FakePlatform::FireWindowTimer(uintptr_t timerId, uint32_t time) {
    const auto it = m_windowTimers.find(timerId);
    if (it == m_windowTimers.end()) return false;
    const WindowTimer timer = it->second;
    timer.proc(timer.window, 0x0113, timerId, time);
    return true;
}

bool FakePlatform::WindowTimerRunning(uintptr_t timerId) const { return m_windowTimers.count(timerId) != 0; }

// ==== Keyboard and waiting ======================================================================

void FakePlatform::SetKey(uint16_t virtualKey, bool down) {
    if (virtualKey > 255) return;
    m_keys[virtualKey] = down ? 0x80 : 0x00;
}

void FakePlatform::ReleaseAllKeys() { std::memset(m_keys, 0, sizeof(m_keys)); }

bool FakePlatform::GetKeyboardState(uint8_t* state256) {
    Log("GetKeyboardState()");
    std::memcpy(state256, m_keys, sizeof(m_keys));
    return true;
}

void FakePlatform::Sleep(uint32_t milliseconds) { Log("Sleep(" + std::to_string(milliseconds) + ")"); }

// ==== Profile files =============================================================================

FakePlatform::Section* FakePlatform::FindSection(const std::string& fileName, const std::string& section) {
    const auto file = m_files.find(Lower(fileName));
    if (file == m_files.end()) return nullptr;
    const auto it = file->second.find(Lower(section));
    return it == file->second.end() ? nullptr : &it->second;
}

const FakePlatform::Section* FakePlatform::FindSection(const std::string& fileName,
                                                       const std::string& section) const {
    return const_cast<FakePlatform*>(this)->FindSection(fileName, section);
}

void FakePlatform::SetProfileValue(const std::string& fileName, const std::string& section, const std::string& key,
                                   const std::string& value) {
    Section& s = m_files[Lower(fileName)][Lower(section)];
    auto& entry = s.values[Lower(key)];
    if (entry.first.empty()) s.keyOrder.push_back(key);
    entry = {key, value};
}

std::string FakePlatform::ProfileValue(const std::string& fileName, const std::string& section,
                                       const std::string& key, bool* found) const {
    if (found != nullptr) *found = false;
    const Section* s = FindSection(fileName, section);
    if (s == nullptr) return {};
    const auto it = s->values.find(Lower(key));
    if (it == s->values.end()) return {};
    if (found != nullptr) *found = true;
    return it->second.second;
}

std::vector<std::string> FakePlatform::ProfileKeys(const std::string& fileName, const std::string& section) const {
    const Section* s = FindSection(fileName, section);
    return s == nullptr ? std::vector<std::string>{} : s->keyOrder;
}

bool FakePlatform::SettingsFileExists(const std::string& fileName) {
    return m_files.count(Lower(fileName)) != 0;
}

void FakePlatform::FailProfileWritesFrom(int n) { m_failWritesFrom = n; }

uint32_t FakePlatform::GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                                char* buffer, uint32_t size, const char* fileName) {
    Log("GetPrivateProfileStringA(" + Str(section) + ", " + Str(key) + ", " + Str(defaultValue) +
        ", size=" + std::to_string(size) + ", " + Str(fileName) + ")");
    if (buffer == nullptr || size == 0) return 0;
    bool found = false;
    std::string value;
    if (section != nullptr && key != nullptr && fileName != nullptr) {
        value = ProfileValue(fileName, section, key, &found);
    }
    if (!found) value = defaultValue == nullptr ? "" : defaultValue;
    const size_t n = std::min<size_t>(value.size(), size - 1);
    std::memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
    return uint32_t(n);
}

bool FakePlatform::WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                              const char* fileName) {
    Log("WritePrivateProfileStringA(" + Str(section) + ", " + Str(key) + ", " + Str(value) + ", " + Str(fileName) +
        ")");
    if (section == nullptr && key == nullptr && value == nullptr) return !failFlush;
    if (m_failWritesFrom == 0) return false;
    if (m_failWritesFrom > 0) --m_failWritesFrom;
    if (section == nullptr || key == nullptr || value == nullptr || fileName == nullptr) return false;
    SetProfileValue(fileName, section, key, value);
    return true;
}

// ==== Shell =====================================================================================

std::string FakePlatform::ExecutablePath() { return executablePath; }

void FakePlatform::ShowErrorBox(const std::string& message) {
    Log("ShowErrorBox(" + message + ")");
    m_errorBoxes.push_back(message);
}

std::vector<std::string> FakePlatform::ErrorBoxes() const { return m_errorBoxes; }

}  // namespace marble
