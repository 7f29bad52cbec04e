// Windows profile (ini) files on POSIX systems, with the semantics of the Windows profile
// functions (the text itself is read and edited by profile_text.h):
//  - section and key names are matched without regard to ASCII case, with blanks around names
//    and values trimmed; of duplicate sections or keys the first one counts;
//  - a missing file, section or key reads as the default; values are read up to 2047 characters;
//  - only a regular file (or a symbolic link to one) is read: a FIFO, a device or a folder reads
//    as no file, and opening it never blocks;
//  - a write changes only its own line (or appends the key to its section, or appends the
//    section to the file); every other section, key, comment and blank line keeps its bytes,
//    and so does a UTF-8 byte-order mark at the start;
//  - every write replaces the file atomically: a temporary file in the same folder is written,
//    flushed to disk and renamed over the old one (keeping its permissions), so a crash or a
//    full disk leaves either the old or the new file, never a truncated one. The temporary file
//    has no name until it is complete where the file system allows (O_TMPFILE); named ones left
//    by a process that was killed are removed by the next write into that folder;
//  - a write fails (false) when the folder or the file is not writable (a folder or file without
//    any write permission bit counts as read-only even for root), when the existing file cannot
//    be read or is not a regular file, or when a name or value would break the file's line
//    structure (line breaks, "=" in a key, "]" in a section name);
//  - a symbolic link to the file is followed and stays a link;
//  - new lines end like the file's other lines ("\r\n" or "\n"); new files get "\n".
// Reading and writing take time and memory linear in the file's size.
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

/// Whether `fileName` is a regular file (or a symbolic link to one), the only kind read.
bool ProfileFileExists(const char* fileName);

}  // namespace marble
