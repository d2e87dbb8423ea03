#include "vek/motors/Calibration.h"

#include <exception>
#include <string>

#include "vek/foundation/Convert.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NumberedError.h"
#include "vek/motors/IMotor.h"
#include "vek/motors/Measurement.h"
#include "vek/motors/MotorConstants.h"
#include "vek/motors/Units.h"
#include "vek/persistence/Configuration.h"
#include "vek/persistence/MotorData.h"
#include "vek/persistence/SlideData.h"

namespace vek {

std::shared_ptr<const MotorCollection> Calibration::axes() const {
    auto motors = sources_.axes ? sources_.axes() : nullptr;
    if (!motors) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
    return motors;
}

std::shared_ptr<Configuration> Calibration::configuration() const {
    auto config = sources_.configuration ? sources_.configuration() : nullptr;
    if (!config) throw NumberedError(ErrorCodes::DATABASE_ERROR, "The configuration has not been loaded.");
    return config;
}

std::shared_ptr<MotorData> Calibration::record(int16_t motorIndex) const {
    return configuration()->motorsData()->item(motorIndex);
}

Calibration::Calibration(Sources sources, std::shared_ptr<Measurement> measurement)
    : sources_(std::move(sources)), measurement_(std::move(measurement)) {
    if (!measurement_) measurement_ = std::make_shared<Measurement>();
    logAt(LogLevel::DEVELOPER, "Calibration initialized");
}

Calibration::~Calibration() {
    logAt(LogLevel::DEVELOPER, "Calibration terminated");
}

bool Calibration::homeMotor(int16_t motorIndex, int16_t direction, bool force, double speed, double acceleration) {
    try {
        bool result = true;
        if (motorIndex != 0) {
            result = homeAxis(motorIndex, direction, force, speed, acceleration);
        } else {
            const int16_t count = static_cast<int16_t>(axes()->count());
            for (int16_t i = 1; i <= count; ++i) {
                result = homeAxis(i, direction, force, speed, acceleration) && result;
            }
        }
        statusChanged.raise();
        return result;
    } catch (const std::exception& e) {
        logAt(LogLevel::Error, std::string("Error while homing all motors -> ") + e.what());
        return false;
    }
}

bool Calibration::homeAxis(int16_t motorIndex, int16_t direction, bool force, double speed, double acceleration) {
    auto motor = axes()->item(motorIndex);
    auto data = record(motorIndex);
    if (!force && motor->isHomed()) {
        logAt(LogLevel::info, "Motor " + motor->name() + " is already homed.");
        return true;
    }
    auto slide = data->SlideData();
    const double pitch = slide ? slide->pitch() : 0.0;
    const int16_t type = slide ? slide->motorType() : static_cast<int16_t>(0);
    int16_t unit = configuration()->unit();
    int16_t smu = Units::smu;

    int32_t offset = 0;
    if (direction == -1 || direction == 1) {
        int16_t mm = Units::mm;
        const double offsetMm = direction == -1 ? data->negativeHomingOffset() : data->positiveHomingOffset();
        offset = toInt32(measurement_->getPosition(mm, smu, offsetMm, pitch, type));
    }
    const double smuSpeed = speed == -1.0 ? static_cast<double>(MotorConstants::DEFAULT_JOG_SPEED)
                                          : measurement_->getVelocity(unit, smu, speed, pitch, type);
    const double smuAcceleration = acceleration == -1.0
                                       ? static_cast<double>(MotorConstants::DEFAULT_JOG_ACCELERATION)
                                       : measurement_->getAcceleration(unit, smu, acceleration, pitch, type);
    return motor->home(offset, direction, force, smuSpeed, smuAcceleration);
}

void Calibration::invalidateHoming(int16_t motorIndex) {
    const auto motors = sources_.axes ? sources_.axes() : nullptr;
    if (motors && motorIndex >= 1 && static_cast<std::size_t>(motorIndex) <= motors->count())
        motors->item(motorIndex)->invalidateHoming();
    statusChanged.raise();
}

int32_t Calibration::getTuningValue(int16_t motorIndex, int16_t which) {
    return record(motorIndex)->tuningValue(which);
}

void Calibration::setTuningValue(int16_t motorIndex, int16_t which, int32_t value) {
    record(motorIndex)->setTuningValue(which, value);
}

void Calibration::downloadTuningValuesToDatabase(int16_t motorIndex, const std::vector<int32_t>& values) {
    for (std::size_t i = 1; i < values.size(); ++i) {
        setTuningValue(motorIndex, static_cast<int16_t>(i), values[i]);
    }
    configuration()->saveData(false);
}

void Calibration::downloadTuningValuesToMotors(int16_t motorIndex, const std::vector<int32_t>& values) {
    axes()->item(motorIndex)->updateTuningValues(values);
}

void Calibration::downloadTuningValuesToAllMotors() {
    const int16_t count = static_cast<int16_t>(axes()->count());
    for (int16_t i = 1; i <= count; ++i) {
        const auto all = record(i)->allTuningValues();
        downloadTuningValuesToMotors(i, std::vector<int32_t>(all.begin(), all.end()));
    }
}

bool Calibration::isHomed(int16_t motorIndex) {
    if (motorIndex != 0) return axes()->item(motorIndex)->isHomed();
    // What the all-motors object answers: every axis homed, which holds for
    // no axes at all.
    return AxisGroup(axes()).all(&IMotor::isHomed);
}

}  // namespace vek
