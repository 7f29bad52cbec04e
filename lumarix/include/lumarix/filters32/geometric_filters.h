#pragma once

#include <lumarix/Export.h>
#include <lumarix/Graphics.h>

namespace lumarix {
}  // namespace lumarix
