#pragma once
#include <cstdint>

namespace vek {

class IMotor;

// The jog moves every motor composes from its own primitives: the mode, the
// target, the acceleration and velocity (the jog defaults when not given),
// then the start, with one developer log line. A real and a simulated motor
// differ only in those primitives.
namespace MoveSequences {
void goToPosition(IMotor& motor, int32_t newPosition, int32_t newVelocity, int32_t newAcceleration);
void goToRelativePosition(IMotor& motor, int32_t newRelativePosition, int32_t newVelocity, int32_t newAcceleration);
// Resets the motor first, then moves in velocity mode.
void goWithVelocity(IMotor& motor, int32_t newVelocity, int32_t newAcceleration);
}  // namespace MoveSequences

}  // namespace vek
