// The text of a Windows profile (ini) file, looked up and edited in place. No line is copied
// or classified ahead of need, so a lookup is one pass over the text and an edit one splice:
// both linear in the text's size, whatever its lines are.
//
// Lines end at "\n", with a "\r" before it (or at the end of the text) not part of the line. A
// line whose first non-blank character is "[" is a section header, named by what follows up to
// the first "]" (or the line's end); one that starts with ";" or is blank is a comment; any other
// line with an "=" is a key, "name=value". Names and values are trimmed of spaces and tabs and
// names match without regard to ASCII case; of duplicate sections or keys the first counts. A
// UTF-8 byte-order mark at the very start belongs to no line and is kept by every edit.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace marble {

/// The trimmed value of `key` in the first section named `section` (both trimmed before
/// matching), or nothing when the section or the key is missing.
std::optional<std::string_view> ProfileTextValue(std::string_view text, std::string_view section,
                                                 std::string_view key);

/// Applies one WritePrivateProfileString change to `text`: sets `key` in `section` to `value`
/// (a new key goes after its section's last non-blank line, a new section at the end), a null
/// value deletes the key, a null key the whole section. Lines not changed keep their bytes; new
/// lines end like the text's ("\r\n" when it holds any, else "\n"). False, with `text`
/// unchanged, when the section is null or a name or value would break the line structure
/// (line breaks, "=" in a key, "]" in a section name, an empty name, a key starting with "[" or ";").
bool ProfileTextWrite(std::string& text, const char* section, const char* key, const char* value);

}  // namespace marble
