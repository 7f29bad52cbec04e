#include "platform/linux/profile_file.h"

namespace marble {

uint32_t ProfileGetString(const char*, const char*, const char* defaultValue, char* buffer, uint32_t size,
                          const char*) {
    if (buffer == nullptr || size == 0) return 0;
    buffer[0] = '\0';
    (void)defaultValue;
    return 0;
}

bool ProfileWriteString(const char*, const char*, const char*, const char*) { return false; }

}  // namespace marble
