#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vek/foundation/Collection.h"
#include "vek/motors/IMotor.h"

namespace vek {

// One SmartMotor or Dravo-family axis on the command channel, or all axes at
// once (id 0). Every operation is a short sequence of ASCII commands, each
// sent as the decimal motor number followed by the command text; nothing the
// motor knows is cached here except the emulated velocity-mode state, the
// motor type and the name.
class Motor : public IMotor {
public:
    Motor();
    ~Motor() override;
    Motor(const Motor&) = delete;
    Motor& operator=(const Motor&) = delete;

    void init(int32_t id, std::shared_ptr<ICommunication> comm, int16_t motorEncoderCounts,
              const MotorContext& context = {}) override;
    std::string name() const override { return name_; }
    void setName(const std::string& name) override { name_ = name; }
    int16_t motorType() override;
    void setMotorType(int16_t motorType) override { motorType_ = motorType; }
    std::string motorTypeAsString() override;
    bool home(int32_t homingOffset, int16_t direction, bool force, double smuSpeed, double smuAcceleration) override;
    bool isHomed() override;
    void invalidateHoming() override;
    void setTravel(int32_t travel) override;
    void Calibrate() override;
    int16_t getCalibrateStatus() override;
    double standbyPower() override;
    void setStandbyPower(double power) override;
    int16_t homeDirection() override;
    void goWithVelocity(int32_t newVelocity = NOT_GIVEN, int32_t newAcceleration = NOT_GIVEN) override;
    void goToPosition(int32_t newPosition, int32_t newVelocity = NOT_GIVEN,
                      int32_t newAcceleration = NOT_GIVEN) override;
    void goToRelativePosition(int32_t newRelativePosition, int32_t newVelocity = NOT_GIVEN,
                              int32_t newAcceleration = NOT_GIVEN) override;
    void StopMotion(bool decelerate) override;
    void StartProgram(bool suppressPrintFromMotor = true) override;
    void StopProgram() override;
    void suppressPrint() override;
    void unsuppressPrint() override;
    void ignoreAllCommands(bool flag = true) override;
    void startMotion() override;
    void PauseMotion() override {}
    void setVelocityMode() override;
    int16_t getInputState(int16_t inputNumber) override;
    int16_t getOutputState(int16_t outputNumber) override;
    void setOutputState(int16_t outputNumber, int16_t state) override;
    std::string getResponseOf(const std::string& command) override;
    bool getIsResponse(const std::string& command, const std::string& response) override;
    void setPositionMode() override;
    bool isMoving() override;
    void waitForStart() override;
    bool WaitForStop(int32_t timeOutSeconds = -1, bool ignoreFault = false) override;
    bool hasFault() override;
    bool isServoOff() override;
    void stopServo() override;
    void brakeRelease() override;
    void brakeEngage() override;
    void brakeOnlyWhenServoInactive() override;
    void brakeReleaseOnlyDuringTrajectory() override;
    void Reset(int16_t flag = static_cast<int16_t>(NOT_GIVEN)) override;
    void firmwareReset() override;
    void ignoreLimits(int16_t status) override;
    std::shared_ptr<MotorEngineMotor> getObject() override { return smiMotor_; }
    double temperature() override;
    int32_t acceleration() override;
    void setAcceleration(int32_t acceleration) override;
    int32_t bufferedVelocity() override;
    int32_t velocity() override;
    void setVelocity(int32_t velocity) override;
    int32_t bufferedPosition() override;
    int32_t position() override;
    void setPosition(int32_t position) override;
    void setRelativePosition(int32_t relativePosition) override;
    int16_t MaxCurrent() override;
    void setMaxCurrent(int16_t maxCurrent) override;
    int16_t MaxPositionError() override;
    void setMaxPositionError(int16_t maxPositionError) override;
    void forceUpload(const std::string& fileName) override;
    void download(const std::string& fileName) override;
    bool canCommunicate() override;
    std::string toString() override;
    bool isBitOn(int32_t status, int16_t motorStatusWordBit) override;
    int32_t getTuningValue(int16_t which) override;
    void updateTuningValues(const std::vector<int32_t>& values) override;

    // The motor's address (1..8, 0 for all motors); NOT_GIVEN before init.
    int32_t id() const { return id_; }

    // Shared with the simulated motor, which answers the same way.
    // The description of status bit 0..15 ("Bt - Trajectory in progress").
    static const char* statusBitDescription(int16_t bit);
    // "SmartMotor", "Kelpa", "Mirvo", or "Motor" for any other type.
    static std::string typeName(int16_t motorType);
    // The type of axis `id` as `configuration` records it; NOT_GIVEN
    // without a configuration or a slide for the axis.
    static int16_t configuredMotorType(const Configuration* configuration, int32_t id);

private:
    void sendCommand(const std::string& text);
    void requireChannel() const;
    int32_t queryInt32(const std::string& command);
    int16_t queryInt16(const std::string& command);
    double queryDouble(const std::string& command);
    void logMotorMessage(const std::string& message, int16_t level);
    int32_t getIndexPosition();
    void setOrigin(int32_t value);
    bool findHome(int32_t homingOffset, int16_t direction, double smuSpeed, double smuAcceleration);
    bool findHomeSmartMotor(int32_t homingOffset, int16_t direction, double smuSpeed, double smuAcceleration);
    bool findHomeDravo(int32_t homingOffset, int16_t direction);
    void waitForLimitSwitch(int32_t timeoutSeconds, int16_t direction);
    std::string readMotionTable();
    // The motor type as the configuration records it for this axis.
    int16_t lookUpMotorType();
    bool isAllMotors() const { return id_ == 0; }

    int32_t id_;
    std::shared_ptr<ICommunication> comm_;
    std::shared_ptr<Configuration> configuration_;
    AxisGroup axes_;
    std::shared_ptr<MotionFlags> flags_ = std::make_shared<MotionFlags>();
    std::shared_ptr<MotorEngineMotor> smiMotor_;
    std::string name_;
    int16_t motorEncoderCounts_ = 0;
    int16_t motorType_;
    std::string moveMode_ = "MP";
    int32_t velocitySign_ = 1;
    std::array<int32_t, 16> bitMasks_{};
    std::unique_ptr<Collection<std::string>> statusBitDescriptions_;
    std::unique_ptr<Collection<std::string>> tuningNames_;
    // The decimal id that starts every command text.
    std::string prefix_;
    // Reused for every command so that framing does not allocate.
    std::string frame_;
};

}  // namespace vek
