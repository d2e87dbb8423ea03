#include "vek/comm/engine/MotorEngine.h"

#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/NumberedError.h"

namespace vek {

namespace {
std::size_t settingIndex(int16_t which) {
    if (which < 1 || which > 3) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
    return static_cast<std::size_t>(which - 1);
}
}  // namespace

int32_t MotorEngine::numericSetting(int16_t which) const {
    return numericSettings_[settingIndex(which)];
}

void MotorEngine::setNumericSetting(int16_t which, int32_t value) {
    numericSettings_[settingIndex(which)] = value;
}

}  // namespace vek
