#include "vek/comm/engine/EngineError.h"

#include "vek/foundation/ErrorCodes.h"

namespace vek {

NumberedError engineError(int32_t condition, const std::string& description) {
    int32_t number = ErrorCodes::OPEN_PORT_FAILED;
    if (condition == EngineCondition::REFUSED) number = ErrorCodes::INVALID_ARGUMENTS;
    if (condition == EngineCondition::BAUD) number = ErrorCodes::SET_BAUDRATE_FAILED;
    return NumberedError(number, description, {}, ENGINE_HELP_FILE, condition);
}

}  // namespace vek
