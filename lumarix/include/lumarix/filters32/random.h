// The process-wide random generator shared by the noise filters and the text effects.
//
// One unsigned 32-bit state word, 0 until the first reseed. A draw advances it with the linear
// congruence state = state * 134775813 + 1 (mod 2^32) and returns the upper 32 bits of the
// 64-bit product state * range, so the result lies in 0 .. range - 1 (0 for a range of 0 or 1).
// The state is one process-wide value, read and written atomically (without ordering): threads
// may draw at the same time without a data race, but their draws then interleave and may repeat
// or skip numbers; a thread drawing alone sees exactly the sequence above.
#pragma once

#include <lumarix/Export.h>

#include <cstdint>

namespace lumarix {

/// Sets the state to the low 32 bits of the high-resolution performance counter, or to the
/// millisecond tick count since system start when that counter cannot be read.
LUMARIX_API void Reseed();

/// Advances the state once and returns (state * range) >> 32, a value in 0 .. range - 1.
/// A range of 0 yields 0 and still advances the state.
LUMARIX_API uint32_t RandomDraw(uint32_t range);

/// The current state, so that a sequence of draws can be repeated.
LUMARIX_API uint32_t RandomState();

/// Replaces the state; the next draw continues from `state`.
LUMARIX_API void SetRandomState(uint32_t state);

}  // namespace lumarix
