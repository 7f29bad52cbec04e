// The peer's Windows build: the platform's own profile functions.
#include "profile_peer.h"

#include <windows.h>

uint32_t PeerGetString(const char* section, const char* key, const char* defaultValue, char* buffer,
                       uint32_t size, const char* fileName) {
    return GetPrivateProfileStringA(section, key, defaultValue, buffer, size, fileName);
}

bool PeerWriteString(const char* section, const char* key, const char* value, const char* fileName) {
    return WritePrivateProfileStringA(section, key, value, fileName) != FALSE;
}
