#include "linux_platform.h"

#include "platform/linux/profile_file.h"
#include "platform/linux/user_folders.h"

#include <cstdio>
#include <ctime>
#include <cerrno>
#include <unistd.h>
#include <vector>

namespace marble::linux_platform {

LinuxPlatform::LinuxPlatform() : LinuxPlatform(LinuxMidiOut::Options{}) {}

LinuxPlatform::LinuxPlatform(LinuxMidiOut::Options midiOptions) : m_midi(std::move(midiOptions)) {}

LinuxPlatform::~LinuxPlatform() = default;

bool LinuxPlatform::GetKeyboardState(uint8_t* state256) {
    if (state256 == nullptr) return false;
    m_keys.Snapshot(state256);
    return true;
}

void LinuxPlatform::Sleep(uint32_t milliseconds) {
    timespec left{time_t(milliseconds / 1000), long(milliseconds % 1000) * 1000000L};
    while (nanosleep(&left, &left) == -1 && errno == EINTR) {
    }
}

uint32_t LinuxPlatform::GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                                 char* buffer, uint32_t size, const char* fileName) {
    return ProfileGetString(section, key, defaultValue, buffer, size, fileName);
}

bool LinuxPlatform::WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                               const char* fileName) {
    // The per-user settings folder is made on the first write into it.
    if (section != nullptr && fileName != nullptr && !CreateFoldersFor(UserConfigFolder(), fileName)) return false;
    return ProfileWriteString(section, key, value, fileName);
}

bool LinuxPlatform::FolderWritable(const std::string& folder) { return ::marble::FolderWritable(folder); }

std::string LinuxPlatform::UserConfigFolder() { return ::marble::UserConfigFolder(); }

bool LinuxPlatform::InstalledByPackage(const std::string& executablePath) {
    return ::marble::InstalledByPackage(executablePath);
}

bool LinuxPlatform::SettingsFileExists(const std::string& fileName) { return ProfileFileExists(fileName.c_str()); }

std::string LinuxPlatform::ExecutablePath() {
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return {};
        if (size_t(n) < buffer.size()) return std::string(buffer.data(), size_t(n));
        buffer.resize(buffer.size() * 2);
    }
}

void LinuxPlatform::ShowErrorBox(const std::string& message) {
    if (m_errorBox) {
        m_errorBox(message);
        return;
    }
    std::fprintf(stderr, "marbleStomper: %s\n", message.c_str());
}

}  // namespace marble::linux_platform
