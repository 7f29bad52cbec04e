// The peer's native build: the drum pad's POSIX profile files.
#include "profile_peer.h"

#include "platform/linux/profile_file.h"

uint32_t PeerGetString(const char* section, const char* key, const char* defaultValue, char* buffer,
                       uint32_t size, const char* fileName) {
    return marble::ProfileGetString(section, key, defaultValue, buffer, size, fileName);
}

bool PeerWriteString(const char* section, const char* key, const char* value, const char* fileName) {
    return marble::ProfileWriteString(section, key, value, fileName);
}
