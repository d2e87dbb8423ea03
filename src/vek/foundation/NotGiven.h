#pragma once
#include <cstdint>

namespace vek {

// The default of optional numeric arguments that have no natural default: the
// caller gave no value. Chosen to be an unlikely real value (0x8357 in 16 bits).
inline constexpr int32_t NOT_GIVEN = -31913;

}  // namespace vek
