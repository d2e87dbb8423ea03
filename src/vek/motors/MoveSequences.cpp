#include "vek/motors/MoveSequences.h"

#include <cmath>
#include <string>

#include "vek/foundation/Convert.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/EventLoop.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NumberedError.h"
#include "vek/motors/IMotor.h"
#include "vek/motors/MotorConstants.h"

namespace vek::MoveSequences {

namespace {

void logMove(const char* prefix, bool positionMode, int32_t position, int32_t velocity, int32_t acceleration) {
    // Built only when developer messages are recorded: moves are frequent.
    if (!logs(LogLevel::DEVELOPER)) return;
    std::string text = std::string(prefix) + (positionMode ? " -> PositionMode" : " -> VelocityMode");
    if (positionMode) text += "[p=" + std::to_string(position) + "]";
    text += "[v=" + std::to_string(velocity) + "][a=" + std::to_string(acceleration) + "]";
    logAt(LogLevel::DEVELOPER, text);
}

void setSpeedsAndStart(IMotor& motor, int32_t newVelocity, int32_t newAcceleration) {
    motor.setAcceleration(newAcceleration == NOT_GIVEN ? MotorConstants::DEFAULT_JOG_ACCELERATION : newAcceleration);
    motor.setVelocity(newVelocity == NOT_GIVEN ? MotorConstants::DEFAULT_JOG_SPEED : newVelocity);
    motor.startMotion();
}

}  // namespace

void goToPosition(IMotor& motor, int32_t newPosition, int32_t newVelocity, int32_t newAcceleration) {
    motor.setPositionMode();
    logMove("goToPosition", true, newPosition, newVelocity, newAcceleration);
    motor.setPosition(newPosition);
    setSpeedsAndStart(motor, newVelocity, newAcceleration);
}

void goToRelativePosition(IMotor& motor, int32_t newRelativePosition, int32_t newVelocity, int32_t newAcceleration) {
    motor.setPositionMode();
    logMove("goToRelativePosition", true, newRelativePosition, newVelocity, newAcceleration);
    motor.setRelativePosition(newRelativePosition);
    setSpeedsAndStart(motor, newVelocity, newAcceleration);
}

void goWithVelocity(IMotor& motor, int32_t newVelocity, int32_t newAcceleration) {
    motor.Reset();
    motor.setVelocityMode();
    logMove("goWithVelocity", false, NOT_GIVEN, newVelocity, newAcceleration);
    setSpeedsAndStart(motor, newVelocity, newAcceleration);
}

double waitStart() {
    return std::nearbyint(eventLoop().now());
}

void logHoming(const std::string& name, int32_t homingOffset, int16_t direction, bool force, double smuSpeed,
               double smuAcceleration) {
    logAt(LogLevel::DEVELOPER, [&] {
        return "Homing " + name + " with offset = " + toText(homingOffset) + " direction = " + toText(direction) +
               " forceFlag = " + toText(force) + " smuSpeed = " + toText(smuSpeed) +
               " smuAcceleration = " + toText(smuAcceleration);
    });
}

bool reportsFault(IMotor& motor) {
    const bool left = motor.getResponseOf("RBm") == "1";
    const bool right = motor.getResponseOf("RBp") == "1";
    const bool positionError = motor.getResponseOf("RBe") == "1";
    return left || right || positionError;
}

bool endWaitForStop(IMotor& motor, const std::string& name, bool stopped, int32_t timeOutSeconds, bool ignoreFault) {
    if (!stopped && motor.isMoving()) {
        logAt(LogLevel::WARNING, "Motor " + name + " didn't stop within " + toText(timeOutSeconds) + " seconds.");
        return false;
    }
    if (!ignoreFault && motor.hasFault())
        throw NumberedError(ErrorCodes::MOTION_INTERRUPTED, "Error encountered while waiting for stop", "QDX");
    return true;
}

}  // namespace vek::MoveSequences
