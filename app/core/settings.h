// The settings file: an ini-format profile file beside the executable (or in the user's
// settings folder for the copy the system's package installed, or when the executable's folder
// is read-only), read and written one integer at a time through the platform's profile functions.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace marble {

/// Converts text to a 32-bit integer: leading spaces, one optional sign, then either decimal
/// digits (range -2147483648..2147483647) or, after "$", "x", "X", "0x" or "0X", hexadecimal
/// digits of either case (at most eight significant ones, giving the 32-bit pattern). False on
/// an empty text, any other character, nothing after the sign or prefix, and overflow.
bool TryStrToInt(std::string_view text, int32_t& value);

/// `path` with the extension of its file-name part replaced by `extension` (appended when the
/// name has none). Both '/' and '\\' separate folders.
std::string ChangeFileExt(const std::string& path, const std::string& extension);

/// The settings file of the program at `executablePath`: beside it, with the extension ".ini",
/// when its folder is writable (and it is not the copy the system's package installed) or the
/// platform has no per-user folder; otherwise "<user config folder>/marbleStomper/marbleStomper.ini",
/// so that an installed copy, or one in a folder users cannot write, keeps one file per user.
std::string SettingsFileLocation(Shell& shell, const std::string& executablePath);

/// The file the settings are read from at start-up: `fileName` itself, unless it is a per-user
/// file that does not exist yet while the file beside the executable does; that one is then the
/// starting point, and the per-user file is written at closing.
std::string SettingsStartingPoint(Shell& shell, const std::string& executablePath, const std::string& fileName);

/// The settings file's error: a write that did not reach the file.
class EIniFileException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The settings object: integer keys of one profile file. Creating it does not touch the file.
/// Reads come from `startingPoint` (the file itself when empty) until the first write, which
/// makes the file itself.
class TIniFile {
public:
    TIniFile(ProfileFiles& profiles, std::string fileName, std::string startingPoint = {});

    const std::string& FileName() const { return m_fileName; }

    /// The key's value, or `defaultValue` when the file, section or key is missing or the text
    /// is not an integer. A value "0x..." of three or more characters is read as hexadecimal.
    int32_t ReadInteger(const std::string& section, const std::string& key, int32_t defaultValue);
    /// Writes the value in decimal. Throws EIniFileException ("<file> に書き込めません") on failure.
    void WriteInteger(const std::string& section, const std::string& key, int32_t value);
    /// Flushes pending writes to disk. Throws EIniFileException on failure.
    void UpdateFile();

private:
    [[noreturn]] void FailWrite() const;

    ProfileFiles& m_profiles;
    std::string m_fileName;
    std::string m_readFileName;
};

}  // namespace marble
