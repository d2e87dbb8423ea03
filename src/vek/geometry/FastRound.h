#pragma once
#include <cmath>
#include <cstdint>

#include "vek/foundation/Convert.h"

namespace vek {

// toInt32 for the inner loops of geometry: the same rounding (nearest,
// halves to even) and the same overflow error 6, without a call into libm
// per value. Adding and removing 1.5 * 2^52 rounds a double of magnitude
// below 2^51 to an integer in the default round-to-nearest-even mode.
inline int32_t roundToInt32(double value) {
    if (std::fabs(value) < 2147483647.0) {
        const double shifted = value + 6755399441055744.0;
        return static_cast<int32_t>(shifted - 6755399441055744.0);
    }
    return toInt32(value);  // the edges, NaN and overflow
}

}  // namespace vek
