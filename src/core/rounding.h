#pragma once
// Round with 0 places to a whole number, a tie going to the even neighbour, for Singles known to
// lie well inside the 32-bit range (the loops' N * Rnd and 8 * Rnd + 1). Where SSE is there it
// is the one conversion instruction, which rounds that way in the default rounding mode; the
// portable std::nearbyint is a library call without SSE4.1.

#include <bit>
#include <cmath>
#include <cstdint>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace spinlab {

inline std::int32_t roundToInt(float value) {
#if defined(__SSE__)
    return _mm_cvtss_si32(_mm_set_ss(value));
#else
    return static_cast<std::int32_t>(std::nearbyint(value));
#endif
}

// Whether draw < limit, for a draw and a limit in [0, 1] (a Single's bits order non-negative
// values as whole numbers do): one integer compare, which a loop can turn into a flag.
inline int below(float draw, float limit) {
    return std::bit_cast<std::int32_t>(draw) < std::bit_cast<std::int32_t>(limit);
}

}  // namespace spinlab
