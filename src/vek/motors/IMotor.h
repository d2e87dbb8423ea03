#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vek/foundation/NotGiven.h"
#include "vek/motors/MotorContext.h"

namespace vek {

class ICommunication;
class MotorEngineMotor;

// One servo axis, or all axes at once (id 0). Implemented by the real motor
// (Motor) and the simulated one. Positions, velocities and accelerations are
// in motor units (smu).
class IMotor {
public:
    virtual ~IMotor() = default;

    // Makes this object motor `id` (0 for all motors) on `comm`, with what
    // the façade hands it.
    virtual void init(int32_t id, std::shared_ptr<ICommunication> comm, int16_t motorEncoderCounts,
                      const MotorContext& context = {}) = 0;
    virtual std::string name() const = 0;
    virtual void setName(const std::string& name) = 0;
    virtual int16_t motorType() = 0;
    virtual void setMotorType(int16_t motorType) = 0;
    virtual std::string motorTypeAsString() = 0;
    virtual bool home(int32_t homingOffset, int16_t direction, bool force, double smuSpeed, double smuAcceleration) = 0;
    virtual bool isHomed() = 0;
    virtual void invalidateHoming() = 0;
    virtual void setTravel(int32_t travel) = 0;
    virtual void Calibrate() = 0;
    virtual int16_t getCalibrateStatus() = 0;
    virtual double standbyPower() = 0;
    virtual void setStandbyPower(double power) = 0;
    virtual int16_t homeDirection() = 0;
    virtual void goWithVelocity(int32_t newVelocity = NOT_GIVEN, int32_t newAcceleration = NOT_GIVEN) = 0;
    virtual void goToPosition(int32_t newPosition, int32_t newVelocity = NOT_GIVEN,
                              int32_t newAcceleration = NOT_GIVEN) = 0;
    virtual void goToRelativePosition(int32_t newRelativePosition, int32_t newVelocity = NOT_GIVEN,
                                      int32_t newAcceleration = NOT_GIVEN) = 0;
    virtual void StopMotion(bool decelerate) = 0;
    virtual void StartProgram(bool suppressPrintFromMotor = true) = 0;
    virtual void StopProgram() = 0;
    virtual void suppressPrint() = 0;
    virtual void unsuppressPrint() = 0;
    virtual void ignoreAllCommands(bool flag = true) = 0;
    virtual void startMotion() = 0;
    virtual void PauseMotion() = 0;
    virtual void setVelocityMode() = 0;
    virtual int16_t getInputState(int16_t inputNumber) = 0;
    virtual int16_t getOutputState(int16_t outputNumber) = 0;
    virtual void setOutputState(int16_t outputNumber, int16_t state) = 0;
    virtual std::string getResponseOf(const std::string& command) = 0;
    virtual bool getIsResponse(const std::string& command, const std::string& response) = 0;
    virtual void setPositionMode() = 0;
    virtual bool isMoving() = 0;
    virtual void waitForStart() = 0;
    virtual bool WaitForStop(int32_t timeOutSeconds = -1, bool ignoreFault = false) = 0;
    virtual bool hasFault() = 0;
    virtual bool isServoOff() = 0;
    virtual void stopServo() = 0;
    virtual void brakeRelease() = 0;
    virtual void brakeEngage() = 0;
    virtual void brakeOnlyWhenServoInactive() = 0;
    virtual void brakeReleaseOnlyDuringTrajectory() = 0;
    virtual void Reset(int16_t flag = static_cast<int16_t>(NOT_GIVEN)) = 0;
    virtual void firmwareReset() = 0;
    virtual void ignoreLimits(int16_t status) = 0;
    virtual std::shared_ptr<MotorEngineMotor> getObject() = 0;
    virtual double temperature() = 0;
    virtual int32_t acceleration() = 0;
    virtual void setAcceleration(int32_t acceleration) = 0;
    virtual int32_t bufferedVelocity() = 0;
    virtual int32_t velocity() = 0;
    virtual void setVelocity(int32_t velocity) = 0;
    virtual int32_t bufferedPosition() = 0;
    virtual int32_t position() = 0;
    virtual void setPosition(int32_t position) = 0;
    virtual void setRelativePosition(int32_t relativePosition) = 0;
    virtual int16_t MaxCurrent() = 0;
    virtual void setMaxCurrent(int16_t maxCurrent) = 0;
    virtual int16_t MaxPositionError() = 0;
    virtual void setMaxPositionError(int16_t maxPositionError) = 0;
    virtual void forceUpload(const std::string& fileName) = 0;
    virtual void download(const std::string& fileName) = 0;
    virtual bool canCommunicate() = 0;
    virtual std::string toString() = 0;
    virtual bool isBitOn(int32_t status, int16_t motorStatusWordBit) = 0;
    virtual int32_t getTuningValue(int16_t which) = 0;
    // values[1..8] are KP..KG; index 0 is not used.
    virtual void updateTuningValues(const std::vector<int32_t>& values) = 0;
};

}  // namespace vek
