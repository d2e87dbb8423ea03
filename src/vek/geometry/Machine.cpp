#include "vek/geometry/Machine.h"

#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/NumberedError.h"

namespace vek {

namespace {
std::size_t checkedRatioIndex(int16_t axis) {
    if (axis < 0 || axis > MAX_MOTORS) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
    return static_cast<std::size_t>(axis);
}

// Never destroyed: nodes released at process exit still read it.
Machine& active() {
    static auto* machine = new Machine();
    return *machine;
}
}  // namespace

double Machine::pitchRatio(int16_t axis) const {
    return pitchRatios[checkedRatioIndex(axis)];
}

void Machine::setPitchRatio(int16_t axis, double ratio) {
    pitchRatios[checkedRatioIndex(axis)] = ratio;
}

const Machine& activeMachine() {
    return active();
}

void setActiveMachine(const Machine& machine) {
    active() = machine;
}

void setActiveCoordinateSystem(int16_t system) {
    active().coordinateSystem = system;
}

void resetActiveMachine() {
    active() = Machine{};
}

}  // namespace vek
