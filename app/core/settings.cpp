#include "core/settings.h"

#include <algorithm>
#include <array>

namespace marble {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool TryStrToInt(std::string_view text, int32_t& value) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        i += 1;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= text.size()) return false;

    if (hex) {
        // Up to eight significant digits; the result is the 32-bit pattern, so "$FFFFFFFF" is -1.
        uint32_t pattern = 0;
        int significant = 0;
        for (; i < text.size(); ++i) {
            const int digit = HexDigit(text[i]);
            if (digit < 0) return false;
            if (significant > 0 || digit != 0) ++significant;
            if (significant > 8) return false;
            pattern = (pattern << 4) | uint32_t(digit);
        }
        value = static_cast<int32_t>(negative ? 0u - pattern : pattern);
        return true;
    }

    // Decimal: accumulate the magnitude and check it against the signed range.
    const uint64_t limit = negative ? 2147483648ull : 2147483647ull;
    uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return false;
        magnitude = magnitude * 10 + uint64_t(c - '0');
        if (magnitude > limit) return false;
    }
    value = static_cast<int32_t>(negative ? 0u - static_cast<uint32_t>(magnitude) : static_cast<uint32_t>(magnitude));
    return true;
}

std::string ChangeFileExt(const std::string& path, const std::string& extension) {
    const size_t separator = path.find_last_of("/\\");
    const size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart) return path + extension;
    return path.substr(0, dot) + extension;
}

std::string SettingsFileLocation(Shell& shell, const std::string& executablePath) {
    const std::string beside = ChangeFileExt(executablePath, ".ini");
    const size_t separator = executablePath.find_last_of("/\\");
    const std::string folder =
        separator == std::string::npos ? "." : executablePath.substr(0, std::max<size_t>(separator, 1));
    if (!shell.InstalledByPackage(executablePath) && shell.FolderWritable(folder)) return beside;
    std::string userFolder = shell.UserConfigFolder();
    if (userFolder.empty()) return beside;
    while (userFolder.size() > 1 && userFolder.back() == '/') userFolder.pop_back();
    if (userFolder != "/") userFolder += '/';
    return userFolder + "marbleStomper/marbleStomper.ini";
}

std::string SettingsStartingPoint(Shell& shell, const std::string& executablePath, const std::string& fileName) {
    const std::string beside = ChangeFileExt(executablePath, ".ini");
    if (fileName == beside || shell.SettingsFileExists(fileName) || !shell.SettingsFileExists(beside)) return fileName;
    return beside;
}

TIniFile::TIniFile(ProfileFiles& profiles, std::string fileName, std::string startingPoint)
    : m_profiles(profiles),
      m_fileName(std::move(fileName)),
      m_readFileName(startingPoint.empty() ? m_fileName : std::move(startingPoint)) {}

int32_t TIniFile::ReadInteger(const std::string& section, const std::string& key, int32_t defaultValue) {
    std::array<char, 2048> buffer{};
    const uint32_t length = m_profiles.GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer.data(),
                                                                uint32_t(buffer.size()), m_readFileName.c_str());
    std::string text(buffer.data(), std::min<size_t>(length, buffer.size() - 1));
    if (text.size() >= 3 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.replace(0, 2, "$");
    int32_t value = 0;
    return TryStrToInt(text, value) ? value : defaultValue;
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
    const std::string text = std::to_string(value);
    if (!m_profiles.WritePrivateProfileStringA(section.c_str(), key.c_str(), text.c_str(), m_fileName.c_str())) {
        FailWrite();
    }
    m_readFileName = m_fileName;
}

void TIniFile::UpdateFile() {
    if (!m_profiles.WritePrivateProfileStringA(nullptr, nullptr, nullptr, m_fileName.c_str())) FailWrite();
}

void TIniFile::FailWrite() const { throw EIniFileException(m_fileName + " に書き込めません"); }

}  // namespace marble
