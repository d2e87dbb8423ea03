#include "vek/peripherals/IODataSimulation.h"

#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/NumberedError.h"

namespace vek {

namespace {

IO& at(IOCollection& ios, int16_t number) {
    if (number < 1) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
    return *ios.item(static_cast<std::size_t>(number));
}

}  // namespace

bool IODataSimulation::getInputState(int16_t inputNumber) {
    requireLive();
    return at(*inputs_, inputNumber).state();
}

bool IODataSimulation::getOutputState(int16_t outputNumber) {
    requireLive();
    return at(*outputs_, outputNumber).state();
}

void IODataSimulation::setOutputState(int16_t outputNumber, bool state) {
    requireLive();
    at(*outputs_, outputNumber).setState(state);
}

}  // namespace vek
