#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "vek/comm/engine/ProgramMachine.h"
#include "vek/comm/engine/ProgramStore.h"
#include "vek/foundation/EventLoop.h"
#include "vek/motors/IMotor.h"

namespace vek {

class MotorData;

// A simulated axis: the whole IMotor interface without hardware. Nothing is
// sent on the channel (only its buffer is cleared before a query, as on the
// real chain); the motor's state lives here: position, the 16 status bits,
// inputs and outputs, the Dravo motion table and a trapezoid move profile
// that the simulation host advances every 10 ms while the motor moves.
// Queries ("RW", "RBt", "RI", ...) are answered in the motor's own text form.
//
// Make it with std::make_shared: a starting move registers the motor with
// the simulation host by shared_from_this(). The homed state is kept in the
// configuration value "simulation_isHomed_" + id, so it outlives the process
// like the real motor's user variable z outlives the host program.
class MotorSimulation : public IMotor, public std::enable_shared_from_this<MotorSimulation> {
public:
    static constexpr int32_t LINEAR_OVER_TRAVEL = 3900;
    static constexpr int32_t ROTARY_OVER_TRAVEL = 10000000;
    static constexpr int MOTION_TABLE_SIZE = 100;

    MotorSimulation();
    ~MotorSimulation() override;
    MotorSimulation(const MotorSimulation&) = delete;
    MotorSimulation& operator=(const MotorSimulation&) = delete;

    // ---- IMotor
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
    void setTravel(int32_t travel) override {
        const Operation op(*this);
        stroke_ = travel;
    }
    void Calibrate() override;
    int16_t getCalibrateStatus() override {
        const Operation op(*this);
        return 0;
    }
    double standbyPower() override {
        const Operation op(*this);
        return standbyPower_;
    }
    void setStandbyPower(double power) override {
        const Operation op(*this);
        standbyPower_ = power;
    }
    int16_t homeDirection() override;
    void goWithVelocity(int32_t newVelocity = NOT_GIVEN, int32_t newAcceleration = NOT_GIVEN) override;
    void goToPosition(int32_t newPosition, int32_t newVelocity = NOT_GIVEN,
                      int32_t newAcceleration = NOT_GIVEN) override;
    void goToRelativePosition(int32_t newRelativePosition, int32_t newVelocity = NOT_GIVEN,
                              int32_t newAcceleration = NOT_GIVEN) override;
    void StopMotion(bool decelerate) override;
    void StartProgram(bool suppressPrintFromMotor = true) override;
    void StopProgram() override;
    void suppressPrint() override { const Operation op(*this); }
    void unsuppressPrint() override { const Operation op(*this); }
    void ignoreAllCommands(bool) override { const Operation op(*this); }
    void startMotion() override;
    void PauseMotion() override { const Operation op(*this); }
    void setVelocityMode() override;
    int16_t getInputState(int16_t inputNumber) override;
    int16_t getOutputState(int16_t outputNumber) override;
    void setOutputState(int16_t outputNumber, int16_t state) override;
    std::string getResponseOf(const std::string& command) override;
    bool getIsResponse(const std::string& command, const std::string& response) override;
    void setPositionMode() override {
        const Operation op(*this);
        moveMode_ = "MP";
    }
    bool isMoving() override;
    void waitForStart() override;
    bool WaitForStop(int32_t timeOutSeconds = -1, bool ignoreFault = false) override;
    bool hasFault() override;
    bool isServoOff() override;
    void stopServo() override;
    void brakeRelease() override { const Operation op(*this); }
    void brakeEngage() override { const Operation op(*this); }
    void brakeOnlyWhenServoInactive() override { const Operation op(*this); }
    void brakeReleaseOnlyDuringTrajectory() override { const Operation op(*this); }
    void Reset(int16_t flag = static_cast<int16_t>(NOT_GIVEN)) override;
    void firmwareReset() override { const Operation op(*this); }
    void ignoreLimits(int16_t) override { const Operation op(*this); }
    std::shared_ptr<MotorEngineMotor> getObject() override { return nullptr; }
    double temperature() override {
        const Operation op(*this);
        return 86.0;
    }
    int32_t acceleration() override {
        const Operation op(*this);
        return 0;
    }
    void setAcceleration(int32_t acceleration) override {
        const Operation op(*this);
        acceleration_ = acceleration;
    }
    int32_t bufferedVelocity() override {
        const Operation op(*this);
        return velocity_;
    }
    int32_t velocity() override {
        const Operation op(*this);
        return 0;
    }
    void setVelocity(int32_t velocity) override {
        const Operation op(*this);
        velocity_ = velocity;
    }
    int32_t bufferedPosition() override {
        const Operation op(*this);
        return target_;
    }
    int32_t position() override;
    void setPosition(int32_t position) override {
        const Operation op(*this);
        target_ = position;
    }
    void setRelativePosition(int32_t relativePosition) override;
    int16_t MaxCurrent() override {
        const Operation op(*this);
        return maxCurrent_;
    }
    void setMaxCurrent(int16_t maxCurrent) override {
        const Operation op(*this);
        maxCurrent_ = maxCurrent;
    }
    int16_t MaxPositionError() override {
        const Operation op(*this);
        return maxPositionError_;
    }
    void setMaxPositionError(int16_t maxPositionError) override {
        const Operation op(*this);
        maxPositionError_ = maxPositionError;
    }
    void forceUpload(const std::string& fileName) override;
    void download(const std::string& fileName) override;
    bool canCommunicate() override;
    std::string toString() override;
    bool isBitOn(int32_t status, int16_t motorStatusWordBit) override;
    int32_t getTuningValue(int16_t which) override;
    void updateTuningValues(const std::vector<int32_t>& values) override;

    // ---- the simulated motor's own members
    // Reads the slide's stroke and the homing offsets and places the limit
    // switches: at 0 and the stroke when not homed, beyond the last index
    // marks by the over-travel (offset by the homing offset) when homed.
    void assignPhysicalAttributes();
    // One 10 ms step of the move profile; called by the simulation host.
    void simulationTimer_Timer();
    // Input `inputNumber` (1..12, else error 9) := state; on a Dravo-family
    // motor running its table program, input 11 going to 1 strobes the move
    // whose table entry the inputs 1..6 select.
    void setInputState(int16_t inputNumber, int16_t state);
    // Places the motor directly (simulated coordinated motion). Beyond a limit
    // the motor stays at the limit, its limit bits are set and error 8 is
    // raised; a pending stop request is consumed and raised as error 8 too.
    // Limits beyond the slide's travel are mirror images: one check serves
    // both ends.
    void setRealTimePosition(int32_t position);

    // ---- inspection (tests, diagnostics of the simulation)
    int32_t id() const { return id_; }
    int32_t currentPosition() const { return currentPosition_; }
    int32_t target() const { return target_; }
    int32_t stroke() const { return stroke_; }
    int32_t negativeLimit() const { return negativeLimit_; }
    int32_t positiveLimit() const { return positiveLimit_; }
    int32_t positiveLastIndex() const { return positiveLastIndex_; }
    int32_t statusWord() const;
    bool statusBit(int16_t bit) const { return statusBits_.at(static_cast<std::size_t>(bit)) != 0; }
    // The Dravo table program, or a SmartMotor-family program that RUN
    // started from the compiled program the motor holds.
    bool isProgramRunning() const { return bcdRunning_ || (machine_ && machine_->running()); }
    // The compiled program a SmartMotor-family motor holds (empty: none),
    // and its answer to a transfer command of the channel (PROTOCOL.md,
    // "Program transfer"); nothing for any other command.
    const std::vector<uint8_t>& storedProgram() const { return programStore_.program(); }
    std::optional<std::string> answerProgramTransfer(const std::string& command) {
        return programStore_.answer(command);
    }
    const std::string& moveMode() const { return moveMode_; }
    // p1, p2, p3 of the current profile: where acceleration ends, where
    // cruising ends, where the move ends.
    std::array<int32_t, 3> profilePoints() const { return {p1_, p2_, p3_}; }
    int32_t simTime() const { return simTime_; }

private:
    // Every operation of the motor's interface is one: the outermost one
    // refuses a motor whose connection was closed (error 1), the ones that
    // run inside it (a homing run's moves, a tick's stop) pass unchecked.
    class Operation {
    public:
        explicit Operation(MotorSimulation& motor, bool check = true);
        ~Operation() { --motor_.depth_; }
        Operation(const Operation&) = delete;
        Operation& operator=(const Operation&) = delete;

    private:
        MotorSimulation& motor_;
    };

    struct MotionTableEntry {
        int32_t position = 0;
        int32_t velocity = 0;
        int32_t acceleration = 0;
    };

    bool isAllMotors() const { return id_ == 0; }
    void logMotorMessage(const std::string& message, int16_t level);
    void setBit(int bit, int32_t value) { statusBits_[static_cast<std::size_t>(bit)] = value; }
    int32_t bit(int bit) const { return statusBits_[static_cast<std::size_t>(bit)]; }
    // A length on this axis's slide (mm) in counts of this motor, rounded to
    // whole counts; 0 without a slide.
    int32_t millimetresToCounts(double millimetres);
    double slidePitch();
    double slideStroke();
    double homingOffsetMillimetres(int16_t direction);
    std::string homedKey() const;
    void storeHomed(const std::string& value);
    bool findHome(int32_t homingOffset, int16_t direction);
    void waitForLimitSwitch();
    void placeLimits(int32_t base, int32_t offset);
    void advance(int direction);
    void checkLimitsAndEnd(int direction);
    void strobeTableMove();
    static std::size_t checkedIndex(int16_t number, int16_t last);

    // The axis record of this motor in the configuration; null without one.
    std::shared_ptr<MotorData> record() const;
    // A limit switch reached: the motor stands at it with its limit bits and
    // the servo off.
    void hitLimit(int direction);

    int32_t id_ = NOT_GIVEN;
    int depth_ = 0;
    std::shared_ptr<ICommunication> comm_;
    std::shared_ptr<Configuration> configuration_;
    AxisGroup axes_;
    std::shared_ptr<MotionFlags> flags_ = std::make_shared<MotionFlags>();
    std::mt19937 random_{std::random_device{}()};
    std::string name_;
    int16_t motorEncoderCounts_ = 0;
    int16_t motorType_ = static_cast<int16_t>(NOT_GIVEN);
    std::string moveMode_ = "MP";

    int16_t direction_ = 1;
    int32_t velocity_ = 0;
    int32_t acceleration_ = 0;
    int32_t target_ = 0;
    int32_t currentPosition_ = 0;
    int32_t startPosition_ = 0;
    int32_t p1_ = 0, p2_ = 0, p3_ = 0;
    int32_t simTime_ = 0;
    int32_t tAccelEnd_ = 0, tCruise_ = 0, tEnd_ = 0;
    int32_t stroke_ = 0;
    int32_t negativeLastIndex_ = 0;
    int32_t positiveLastIndex_ = 0;
    int32_t negativeLimit_ = 0;
    int32_t positiveLimit_ = 0;
    int32_t overTravel_ = LINEAR_OVER_TRAVEL;
    int32_t indexPosition_ = 0;
    std::array<int32_t, 16> statusBits_{};
    std::array<int16_t, 13> inputs_{};   // 1..12
    std::array<int16_t, 11> outputs_{};  // 1..10
    std::array<MotionTableEntry, MOTION_TABLE_SIZE> motionTable_{};
    bool bcdRunning_ = false;
    ProgramStore programStore_;
    // RUN runs the held program on the event loop, a slice when it is due;
    // its commands and value reads go through the simulated channel as a
    // host's would, and each line it prints is logged unless it was started
    // silent.
    void runProgram();
    std::unique_ptr<ProgramMachine> machine_;
    EventLoop::TimerId programTimer_ = 0;
    bool programSilent_ = true;
    std::string printedLine_;
    int16_t maxCurrent_ = 1000;
    int16_t maxPositionError_ = 1000;
    double standbyPower_ = 20.0;
    std::array<int32_t, 9> tuningValues_{};  // 1..8
};

}  // namespace vek
