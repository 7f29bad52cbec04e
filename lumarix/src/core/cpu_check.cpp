// Processor checks: what the processor reports, from the library's one processor query
// (simd/cpu.h), whatever level LUMARIX_ISA caps the kernels to.
#include <lumarix/Lumarix.h>

#include "simd/cpu.h"

namespace lumarix {

bool MMXCheck() { return simd::processor_features().mmx; }

bool SSE2Check() { return simd::processor_features().sse2; }

}  // namespace lumarix
