// The Lumarixetcs unit: supersampled, layer and decorated text output onto 32-bit bitmaps, and
// the colour-key mask.
#pragma once

#include <lumarix/etcs/text_output.h>
