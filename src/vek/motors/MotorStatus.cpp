#include "vek/motors/MotorStatus.h"

#include "vek/foundation/Collection.h"
#include "vek/foundation/Convert.h"
#include "vek/foundation/Error.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NumberedError.h"
#include "vek/motors/IMotor.h"

namespace vek {

namespace {
// The checks used here need nothing of the process-wide validator.
const Error& validator() {
    static const Error checks;
    return checks;
}
}  // namespace

MotorStatus::MotorStatus() {
    logAt(LogLevel::DEVELOPER, "Initializing vek.MotorStatus");
}

MotorStatus::~MotorStatus() {
    logAt(LogLevel::DEVELOPER, "Terminating vek.MotorStatus");
}

void MotorStatus::refresh(const MotorCollection& axes, int16_t motorIndex) {
    if (motorIndex < 1) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
    auto motor = axes.item(static_cast<std::size_t>(motorIndex));
    // Parse before taking the motor over, so a failed read leaves the
    // previous snapshot whole.
    const int32_t status = toInt32(toDouble(motor->getResponseOf("RW")));
    motor_ = std::move(motor);
    status_ = status;
}

bool MotorStatus::bit(int16_t n) const {
    if (motor_) return motor_->isBitOn(status_, n);
    return (status_ & (1 << n)) != 0;
}

IMotor& MotorStatus::requireMotor() const {
    validator().validateObject(motor_);
    return *motor_;
}

bool MotorStatus::Calibration() const {
    return requireMotor().isHomed();
}

void MotorStatus::setMaxCurrent(int16_t value) {
    validator().validateMaxCurrent(value);
    requireMotor().setMaxCurrent(value);
}

int16_t MotorStatus::MaxCurrent() const {
    return requireMotor().MaxCurrent();
}

void MotorStatus::setMaxPositionError(int16_t value) {
    validator().validateMaxPositionError(value);
    requireMotor().setMaxPositionError(value);
}

int16_t MotorStatus::MaxPositionError() const {
    return requireMotor().MaxPositionError();
}

}  // namespace vek
