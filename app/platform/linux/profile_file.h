// Windows profile (ini) files on POSIX systems, with the semantics of the Windows profile
// functions:
//  - section and key names are matched without regard to ASCII case, with blanks around names
//    and values trimmed; of duplicate sections or keys the first one counts;
//  - a missing file, section or key reads as the default; values are read up to 2047 characters;
//  - a write changes only its own line (or appends the key to its section, or appends the
//    section to the file); every other section, key, comment and blank line keeps its place;
//  - every write replaces the file atomically: a temporary file in the same folder is written,
//    flushed to disk and renamed over the old one (keeping its permissions), so a crash or a
//    full disk leaves either the old or the new file, never a truncated one;
//  - a write fails (false) when the folder or the file is not writable (a folder or file without
//    any write permission bit counts as read-only even for root), or when a name or value would
//    break the file's line structure (line breaks, "=" in a key, "]" in a section name);
//  - a symbolic link to the file is followed and stays a link;
//  - the line ends of an existing file ("\r\n" or "\n") are kept; new files get "\n".
// Writes go to disk at once, so the flush (all of section, key and value null) has nothing left
// to do and only reports success.
#pragma once

#include <cstdint>

namespace marble {

/// GetPrivateProfileStringA: copies the value of `key` in `section` (or `defaultValue`, null =
/// "") into `buffer`, truncated to size - 1 characters and terminated; returns the number of
/// characters copied. With a null section or key it copies nothing and returns 0.
uint32_t ProfileGetString(const char* section, const char* key, const char* defaultValue, char* buffer,
                          uint32_t size, const char* fileName);

/// WritePrivateProfileStringA: sets `key` in `section` to `value`; a null value deletes the key,
/// a null key deletes the section; all three null flushes. False on failure.
bool ProfileWriteString(const char* section, const char* key, const char* value, const char* fileName);

}  // namespace marble
