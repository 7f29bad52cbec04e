// System colours from the running Windows session.
#include <lumarix/Graphics.h>

#include <windows.h>

namespace lumarix {

uint32_t GetSysColor(int32_t index) { return ::GetSysColor(index); }

}  // namespace lumarix
