#pragma once
// The two conversions a loop's trial makes, each in one instruction where the platform allows:
// rounding a Single to a whole number, and comparing a draw with an acceptance limit.

#include <bit>
#include <cmath>
#include <cstdint>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace spinlab {

// Round with 0 places, a tie going to the even neighbour, for Singles well inside the 32-bit range
// (the loops' N * Rnd and 8 * Rnd + 1). With SSE it is the conversion instruction, which rounds
// that way in the default rounding mode; std::nearbyint is a library call without SSE4.1.
inline std::int32_t roundToInt(float value) {
#if defined(__SSE__)
    return _mm_cvtss_si32(_mm_set_ss(value));
#else
    return static_cast<std::int32_t>(std::nearbyint(value));
#endif
}

// All bits set when draw < limit, else 0, for a draw and a limit in [0, 1]: a Single's bits order
// non-negative values as whole numbers do, and their difference's sign is the answer. A loop
// applies the mask to a flip without a branch.
inline int belowMask(float draw, float limit) {
    return (std::bit_cast<std::int32_t>(draw) - std::bit_cast<std::int32_t>(limit)) >> 31;
}

}  // namespace spinlab
