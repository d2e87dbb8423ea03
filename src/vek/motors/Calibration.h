#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "vek/foundation/Event.h"
#include "vek/motors/MotorContext.h"

namespace vek {

class Configuration;
class MotorData;
class Measurement;

// Homing and servo tuning values of the axes in user and configuration
// terms: looks up each axis's record (homing offsets, gains), converts user
// speeds and offsets to motor units and calls the axis. Listeners hear of
// every homing change through statusChanged.
class Calibration {
public:
    // What calibration works on, as the façade holds it at the moment of the
    // call: its axes and the loaded configuration (either null while there
    // is none).
    struct Sources {
        std::function<std::shared_ptr<const MotorCollection>()> axes;
        std::function<std::shared_ptr<Configuration>()> configuration;
    };

    Calibration(Sources sources, std::shared_ptr<Measurement> measurement);
    ~Calibration();
    Calibration(const Calibration&) = delete;
    Calibration& operator=(const Calibration&) = delete;

    // Homes axis motorIndex, or every axis in turn for 0 (the result is then
    // true only when all of them homed). direction -1 uses the negative
    // homing offset, 1 the positive one. speed and acceleration are in the
    // configured unit; exactly -1 means the jog defaults. Failures are logged
    // and answered with false.
    bool homeMotor(int16_t motorIndex, int16_t direction = -1, bool force = false, double speed = -1.0,
                   double acceleration = -1.0);
    void invalidateHoming(int16_t motorIndex);
    // The stored gain `which` (KP 1 .. KG 8) of the axis record; the motor is
    // not asked.
    int32_t getTuningValue(int16_t motorIndex, int16_t which);
    void setTuningValue(int16_t motorIndex, int16_t which, int32_t value);
    // values[1..] are KP..; index 0 is not used.
    void downloadTuningValuesToDatabase(int16_t motorIndex, const std::vector<int32_t>& values);
    void downloadTuningValuesToMotors(int16_t motorIndex, const std::vector<int32_t>& values);
    void downloadTuningValuesToAllMotors();
    bool isHomed(int16_t motorIndex = 0);

    Event<> statusChanged;

private:
    bool homeAxis(int16_t motorIndex, int16_t direction, bool force, double speed, double acceleration);
    // The axes (error 9 while there are none) and the configuration
    // (DATABASE_ERROR while none is loaded).
    std::shared_ptr<const MotorCollection> axes() const;
    std::shared_ptr<Configuration> configuration() const;
    std::shared_ptr<MotorData> record(int16_t motorIndex) const;

    Sources sources_;
    std::shared_ptr<Measurement> measurement_;
};

}  // namespace vek
