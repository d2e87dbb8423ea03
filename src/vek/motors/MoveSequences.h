#pragma once
#include <cstdint>
#include <string>

namespace vek {

class IMotor;

// The jog moves every motor composes from its own primitives: the mode, the
// target, the acceleration and velocity (the jog defaults when not given),
// then the start, with one developer log line; and the checks that end a
// wait for the move. A real and a simulated motor differ only in those
// primitives.
namespace MoveSequences {
void goToPosition(IMotor& motor, int32_t newPosition, int32_t newVelocity, int32_t newAcceleration);
void goToRelativePosition(IMotor& motor, int32_t newRelativePosition, int32_t newVelocity, int32_t newAcceleration);
// Resets the motor first, then moves in velocity mode.
void goWithVelocity(IMotor& motor, int32_t newVelocity, int32_t newAcceleration);
// The developer line that opens a homing run of motor `name`.
void logHoming(const std::string& name, int32_t homingOffset, int16_t direction, bool force, double smuSpeed,
               double smuAcceleration);
// Whether the motor reports a limit or position error (all three bits are
// asked, so it sees the same traffic whatever it answers).
bool reportsFault(IMotor& motor);
// Where a motor's wait starts counting: the clock rounded to the nearest
// whole second, as the motors' waits have always counted. A time-out of t
// seconds is reached once the clock is more than t past that, which is
// between t - 0.5 and t + 0.5 seconds after the wait began.
double waitStart();
// The end of WaitForStop on motor `name`: false with the warning when it
// still moves, MOTION_INTERRUPTED when it reports a fault (unless ignored).
bool endWaitForStop(IMotor& motor, const std::string& name, bool stopped, int32_t timeOutSeconds, bool ignoreFault);
}  // namespace MoveSequences

}  // namespace vek
