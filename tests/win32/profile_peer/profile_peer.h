// One profile-file implementation, as the peer program sees it: Wine's own functions in the
// Windows build of the peer, the drum pad's POSIX implementation in the native build.
#pragma once

#include <cstdint>

uint32_t PeerGetString(const char* section, const char* key, const char* defaultValue, char* buffer,
                       uint32_t size, const char* fileName);
bool PeerWriteString(const char* section, const char* key, const char* value, const char* fileName);
