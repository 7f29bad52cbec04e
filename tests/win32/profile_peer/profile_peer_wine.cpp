// The peer's Windows build: the platform's own profile functions.
#include "profile_peer.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <cstdio>

namespace {
// Results go out byte for byte, as the native peer writes them.
const int g_binaryStdout = _setmode(_fileno(stdout), _O_BINARY);
}  // namespace

uint32_t PeerGetString(const char* section, const char* key, const char* defaultValue, char* buffer,
                       uint32_t size, const char* fileName) {
    return GetPrivateProfileStringA(section, key, defaultValue, buffer, size, fileName);
}

bool PeerWriteString(const char* section, const char* key, const char* value, const char* fileName) {
    return WritePrivateProfileStringA(section, key, value, fileName) != FALSE;
}
