// Symbol visibility for the drum pad's process-wide data (Form2, Form3, the clock timer id).
//
// The core is a static library linked into the executable, which exports these names as data
// so that other modules can find the windows by name. On Windows they are marked dllexport (the
// executable then exports them); elsewhere they get default visibility, and the executable
// must be linked with its symbols exported (CMake ENABLE_EXPORTS, i.e. -rdynamic).
#pragma once

#if defined(_WIN32)
#  define MARBLE_CORE_API __declspec(dllexport)
#else
#  define MARBLE_CORE_API __attribute__((visibility("default")))
#endif
