#include "vek/motors/MotorSimulation.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "vek/comm/ICommunication.h"
#include "vek/foundation/Convert.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/EventLoop.h"
#include "vek/foundation/Files.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/MotionSound.h"
#include "vek/foundation/NumberedError.h"
#include "vek/foundation/Text.h"
#include "vek/foundation/Wait.h"
#include "vek/motors/Measurement.h"
#include "vek/motors/Motor.h"
#include "vek/motors/MotorConstants.h"
#include "vek/motors/MotorStatusWordBits.h"
#include "vek/motors/MoveSequences.h"
#include "vek/motors/SimulationHost.h"
#include "vek/motors/Units.h"
#include "vek/persistence/Configuration.h"

namespace vek {

using namespace MotorStatusWordBits;

namespace {

// Conversions need no settings: the caller passes pitch and motor type.
Measurement& measurement() {
    static Measurement units;
    return units;
}

std::string text(int64_t value) {
    return std::to_string(value);
}

// Motor-side scale factors as doubles: counts per revolution, the velocity
// value of one revolution per second, the acceleration value of one
// revolution per second squared.
constexpr double kCountsPerRevolution = MotorConstants::MOTOR_ENCODER_COUNT;
constexpr double kVelocityPerRevolution = MeasurementConstants::SMU_VELOCITY_CONVERSION;
constexpr double kAccelerationPerRevolution = MeasurementConstants::SMU_ACCELERATION_CONVERSION;

int32_t checkedInt32(double value) {
    return toInt32(value);
}

// The whole number at or below the value (rounds toward minus infinity).
int32_t floorInt32(double value) {
    return toInt32(std::floor(value));
}

}  // namespace

MotorSimulation::Operation::Operation(MotorSimulation& motor, bool check) : motor_(motor) {
    if (check && motor_.depth_ == 0 && !motor_.canCommunicate() && motor_.comm_)
        throw NumberedError(ErrorCodes::OPEN_PORT_FAILED,
                            "Motor[" + motor_.name_ + "]->The connection to the motors is closed.");
    ++motor_.depth_;
}

bool MotorSimulation::canCommunicate() {
    return comm_ && comm_->isOpen();
}

MotorSimulation::MotorSimulation() {
    logMotorMessage("Initializing vek.MotorSimulation", LogLevel::DEVELOPER);
}

MotorSimulation::~MotorSimulation() {
    if (programTimer_) eventLoop().stopTimer(programTimer_);
    logAt(LogLevel::DEVELOPER, "Terminating vek.Motor (" + text(id_) + ")");
}

void MotorSimulation::init(int32_t id, std::shared_ptr<ICommunication> comm, int16_t motorEncoderCounts,
                           const MotorContext& context) {
    id_ = id;
    comm_ = std::move(comm);
    motorEncoderCounts_ = motorEncoderCounts;
    configuration_ = context.configuration;
    axes_ = AxisGroup(context.axes);
    if (context.flags) flags_ = context.flags;
    name_ = context.name.empty() ? "Motor" + text(id) : context.name;
    Reset();
    if (id_ == 0) return;
    stroke_ = millimetresToCounts(slideStroke());
    // A simulated slide powers up anywhere along its stroke.
    currentPosition_ = std::uniform_int_distribution<int32_t>(0, std::max(stroke_, 0))(random_);
    assignPhysicalAttributes();
}

void MotorSimulation::logMotorMessage(const std::string& message, int16_t level) {
    logAt(level, "Motor[" + name_ + "]->" + message, LogSource::MOTOR_SOURCE);
}

// ---------------------------------------------------------------- type and slide

int16_t MotorSimulation::motorType() {
    if (motorType_ == static_cast<int16_t>(NOT_GIVEN)) {
        const int16_t type = Motor::configuredMotorType(configuration_.get(), id_);
        if (type == static_cast<int16_t>(NOT_GIVEN)) return 0;
        motorType_ = type;
    }
    return motorType_;
}

std::string MotorSimulation::motorTypeAsString() {
    return Motor::typeName(motorType());
}

std::shared_ptr<MotorData> MotorSimulation::record() const {
    if (!configuration_ || id_ < 1 || static_cast<std::size_t>(id_) > configuration_->motorsData()->count()) return {};
    return configuration_->motorsData()->item(static_cast<std::size_t>(id_));
}

double MotorSimulation::slidePitch() {
    const auto axis = record();
    const auto slide = axis ? axis->SlideData() : nullptr;
    return slide ? slide->pitch() : 0.0;
}

double MotorSimulation::slideStroke() {
    const auto axis = record();
    const auto slide = axis ? axis->SlideData() : nullptr;
    return slide ? slide->stroke() : 0.0;
}

double MotorSimulation::homingOffsetMillimetres(int16_t direction) {
    const auto axis = record();
    if (!axis) return 0.0;
    return direction == 1 ? axis->positiveHomingOffset() : axis->negativeHomingOffset();
}

int32_t MotorSimulation::millimetresToCounts(double millimetres) {
    // Without a slide there is nothing to measure: the axis has no length.
    if (millimetres == 0.0 || slidePitch() == 0.0) return 0;
    int16_t from = Units::mm;
    int16_t to = Units::smu;
    return checkedInt32(measurement().getPosition(from, to, millimetres, slidePitch(), motorType()));
}

// ---------------------------------------------------------------- homing

std::string MotorSimulation::homedKey() const {
    return "simulation_isHomed_" + text(id_);
}

void MotorSimulation::storeHomed(const std::string& value) {
    // Without an open configuration there is nowhere to keep the flag and the
    // axis stays unhomed.
    if (configuration_) configuration_->storeConfigValue(homedKey(), value);
}

bool MotorSimulation::isHomed() {
    const Operation op(*this);
    if (isAllMotors()) return axes_.all(&IMotor::isHomed);
    if (!configuration_) return false;
    const std::string value = configuration_->getConfigValue(homedKey());
    return !value.empty() && static_cast<int64_t>(val(value)) != 0;
}

int16_t MotorSimulation::homeDirection() {
    const Operation op(*this);
    if (!configuration_) return 0;
    return toInt16(val(configuration_->getConfigValue(homedKey())));
}

void MotorSimulation::invalidateHoming() {
    const Operation op(*this);
    storeHomed("0");
    assignPhysicalAttributes();
}

void MotorSimulation::assignPhysicalAttributes() {
    stroke_ = millimetresToCounts(slideStroke());
    negativeLastIndex_ = 0;
    positiveLastIndex_ = motorEncoderCounts_ > 0 ? stroke_ - (stroke_ % motorEncoderCounts_) : stroke_;
    // A rotary axis turns on without limit switches in practice.
    overTravel_ = motorType() == MotorConstants::TYPE_WX ? ROTARY_OVER_TRAVEL : LINEAR_OVER_TRAVEL;
    const double pitch = slidePitch();
    double lastIndexMm = 0.0;
    if (pitch != 0.0) {
        int16_t from = Units::smu;
        int16_t to = Units::mm;
        lastIndexMm = measurement().getPosition(from, to, positiveLastIndex_, pitch, motorType());
    }
    logAt(LogLevel::DEVELOPER, "PositiveLastIndex is at " + toText(lastIndexMm));
    if (isHomed()) {
        const int16_t direction = homeDirection();
        const int32_t base = direction == 1 ? positiveLastIndex_ : 0;
        const int32_t offset =
            direction == 1 || direction == -1 ? millimetresToCounts(homingOffsetMillimetres(direction)) : 0;
        placeLimits(base, offset);
    } else {
        negativeLimit_ = 0;
        positiveLimit_ = stroke_;
    }
}

void MotorSimulation::placeLimits(int32_t base, int32_t offset) {
    negativeLimit_ = checkedInt32(-(static_cast<double>(base) + offset) - overTravel_);
    positiveLimit_ = checkedInt32(static_cast<double>(stroke_) - base - offset + overTravel_);
}

bool MotorSimulation::home(int32_t homingOffset, int16_t direction, bool force, double smuSpeed,
                           double smuAcceleration) {
    const Operation op(*this);
    Reset();
    setBit(Bp, 0);
    assignPhysicalAttributes();
    MoveSequences::logHoming(name_, homingOffset, direction, force, smuSpeed, smuAcceleration);
    if (!force && isHomed()) {
        logMotorMessage("Motor is already homed.", LogLevel::info);
        return true;
    }
    const bool result = findHome(homingOffset, direction);
    storeHomed(toText(direction));
    logMotorMessage("Motor is now homed.", LogLevel::info);
    return result;
}

bool MotorSimulation::findHome(int32_t homingOffset, int16_t direction) {
    const int16_t type = motorType();
    if (!isSmartMotorFamily(type) && !isDravoFamily(type)) return false;
    // The pauses stand for the approach to the limit, the back-off and the
    // index search of a real homing run.
    StopProgram();
    Reset();
    wait(0.2);
    waitForLimitSwitch();
    wait(0.1);
    waitForLimitSwitch();
    wait(0.2);
    const int32_t base = direction == 1 ? positiveLastIndex_ : 0;
    placeLimits(base, homingOffset);
    currentPosition_ = checkedInt32(-static_cast<double>(homingOffset));
    return true;
}

void MotorSimulation::waitForLimitSwitch() {
    wait(0.1);
    wait(0.1);
}

void MotorSimulation::Calibrate() {
    const Operation op(*this);
    goToPosition(stroke_, MotorConstants::DEFAULT_JOG_SPEED, MotorConstants::DEFAULT_JOG_ACCELERATION);
}

// ---------------------------------------------------------------- moves

void MotorSimulation::goToPosition(int32_t newPosition, int32_t newVelocity, int32_t newAcceleration) {
    const Operation op(*this);
    MoveSequences::goToPosition(*this, newPosition, newVelocity, newAcceleration);
}

void MotorSimulation::goToRelativePosition(int32_t newRelativePosition, int32_t newVelocity, int32_t newAcceleration) {
    const Operation op(*this);
    MoveSequences::goToRelativePosition(*this, newRelativePosition, newVelocity, newAcceleration);
}

void MotorSimulation::goWithVelocity(int32_t newVelocity, int32_t newAcceleration) {
    const Operation op(*this);
    MoveSequences::goWithVelocity(*this, newVelocity, newAcceleration);
}

void MotorSimulation::setVelocityMode() {
    const Operation op(*this);
    moveMode_ = "MV";
    target_ = MotorConstants::VELOCITY_MODE_TARGET;
}

void MotorSimulation::setRelativePosition(int32_t relativePosition) {
    const Operation op(*this);
    target_ = checkedInt32(static_cast<double>(currentPosition_) + relativePosition);
}

int32_t MotorSimulation::position() {
    const Operation op(*this);
    if (motorType() != MotorConstants::TYPE_WX) return currentPosition_;
    // A rotary axis reports its angle within one output turn.
    const double pitch = slidePitch();
    if (pitch == 0.0) return currentPosition_;
    const double countsPerTurn = kCountsPerRevolution / pitch;
    const int64_t n = static_cast<int64_t>(std::floor(countsPerTurn));
    if (n <= 0) return currentPosition_;
    if (currentPosition_ >= 0) return static_cast<int32_t>(currentPosition_ % n);
    return floorInt32(countsPerTurn - static_cast<double>((-static_cast<int64_t>(currentPosition_)) % n));
}

void MotorSimulation::startMotion() {
    const Operation op(*this);
    if (std::abs(static_cast<int64_t>(velocity_)) < 1 || acceleration_ < 1) {
        logAt(LogLevel::Error,
              "Can't start the motion. Veloctiy = " + text(velocity_) + ", Acceleration = " + text(acceleration_));
        return;
    }
    setBit(Bt, 1);
    setBit(Bo, 0);
    startPosition_ = currentPosition_;
    logAt(LogLevel::DEVELOPER, moveMode_ == "MV" ? "Starting MV" : "Starting MP");
    if (moveMode_ == "MV" && velocity_ < 0) {
        target_ = -target_;
        velocity_ = -velocity_;
    }
    // Counts needed to reach the velocity at the acceleration.
    const double revolutionsPerSecond = velocity_ / kVelocityPerRevolution;
    const int64_t accelDistance = static_cast<int64_t>(0.5 * kCountsPerRevolution * kAccelerationPerRevolution *
                                                       revolutionsPerSecond * revolutionsPerSecond / acceleration_);
    int64_t travel = 0;
    if (currentPosition_ >= target_) {
        direction_ = -1;
        travel = int64_t{currentPosition_} - target_;
    } else {
        direction_ = 1;
        travel = int64_t{target_} - currentPosition_;
    }
    logAt(LogLevel::DEVELOPER,
          "/__\\ Slope Delta Distance = " + text(accelDistance) + " out of total travel distance = " + text(travel));
    const double d = direction_;
    if (2 * accelDistance <= travel) {
        p1_ = checkedInt32(currentPosition_ + d * static_cast<double>(accelDistance));
        p2_ = checkedInt32(p1_ + d * static_cast<double>(travel - 2 * accelDistance));
        p3_ = checkedInt32(p2_ + d * static_cast<double>(accelDistance));
        logAt(LogLevel::DEVELOPER, "Trapezoidal profile [" + text(p1_) + " , " + text(p2_) + " , " + text(p3_) + "]");
    } else {
        p1_ = floorInt32(currentPosition_ + d * static_cast<double>(travel) / 2);
        p2_ = p1_;
        p3_ = floorInt32(p2_ + d * static_cast<double>(travel) / 2);
        logAt(LogLevel::DEVELOPER, "Triangular profile [" + text(p1_) + " , " + text(p2_) + " , " + text(p3_) + "]");
    }
    const int limitBit = direction_ == -1 ? Bm : Bp;
    if (bit(limitBit) != 0) {
        // Already on the limit switch it would move into.
        StopMotion(true);
        return;
    }
    if (!flags_->isSimulationMute) startMotionSound();
    simulationHost().addCallbackMotor(id_, shared_from_this());
    simTime_ = 0;
}

void MotorSimulation::simulationTimer_Timer() {
    const Operation op(*this, false);
    simTime_ += 10;
    logAt(LogLevel::DEVELOPER, [&] { return "Current simulation time = " + text(simTime_); });
    if (direction_ != 1 && direction_ != -1) return;
    advance(direction_);
    checkLimitsAndEnd(direction_);
}

void MotorSimulation::advance(int direction) {
    constexpr double dt = 0.01;
    const double t = simTime_ / 1000.0;
    const double a = acceleration_ * kCountsPerRevolution / kAccelerationPerRevolution;
    const double v = velocity_ * kCountsPerRevolution / kVelocityPerRevolution;
    const bool developer = logs(LogLevel::DEVELOPER);
    // Positions measured along the direction of motion, so that one set of
    // comparisons serves both directions.
    const double s = direction;
    const auto ahead = [s](int32_t x, int32_t y) { return s * x < s * y; };
    if (ahead(currentPosition_, p1_)) {
        if (developer) logAt(LogLevel::DEVELOPER, "^^^ Accelerating... current = " + text(currentPosition_));
        currentPosition_ = floorInt32(currentPosition_ + s * a * t * dt);
        if (developer) logAt(LogLevel::DEVELOPER, "^^^ Accelerating... new = " + text(currentPosition_));
        tAccelEnd_ = tCruise_ = simTime_;
        tEnd_ = 2 * simTime_;
    } else if (!ahead(p2_, currentPosition_)) {
        if (developer) logAt(LogLevel::DEVELOPER, "--- Cruizing... current = " + text(currentPosition_));
        currentPosition_ = floorInt32(currentPosition_ + s * v * dt);
        if (developer) logAt(LogLevel::DEVELOPER, "--- Cruizing... New = " + text(currentPosition_));
        tAccelEnd_ = simTime_;
        tEnd_ = simTime_ + tCruise_;
    } else if (ahead(currentPosition_, p3_)) {
        if (developer) logAt(LogLevel::DEVELOPER, "vvv Deaccelerating... current = " + text(currentPosition_));
        if (simTime_ == tEnd_)
            currentPosition_ = target_;
        else
            currentPosition_ =
                floorInt32(currentPosition_ + s * (v * dt - a * ((simTime_ - tAccelEnd_) / 1000.0) * dt));
        if (developer) logAt(LogLevel::DEVELOPER, "vvv Deaccelerating... new = " + text(currentPosition_));
    } else if (ahead(currentPosition_, target_)) {
        // The halves of a triangular profile are rounded down, which can leave
        // its end a count short of the target: finish the move there.
        currentPosition_ = target_;
    }
}

void MotorSimulation::hitLimit(int direction) {
    currentPosition_ = direction == 1 ? positiveLimit_ : negativeLimit_;
    setBit(direction == 1 ? Br : Bl, 1);
    setBit(direction == 1 ? Bp : Bm, 1);
    setBit(Bo, 1);
}

void MotorSimulation::checkLimitsAndEnd(int direction) {
    // Positions measured along the direction of motion, so that one set of
    // comparisons serves both ends of the slide.
    const double s = direction;
    const int32_t limit = direction == 1 ? positiveLimit_ : negativeLimit_;
    const int behindBit = direction == 1 ? Bm : Bp;
    if (s * currentPosition_ > s * limit) {
        if (s * target_ > s * limit) {
            hitLimit(direction);
        } else {
            currentPosition_ = target_;
            setBit(behindBit, 0);
            setBit(Bo, 0);
        }
        StopMotion(true);
    } else if (s * currentPosition_ >= s * target_) {
        currentPosition_ = target_;
        setBit(behindBit, 0);
        StopMotion(true);
    } else {
        setBit(behindBit, 0);
    }
}

void MotorSimulation::StopMotion(bool decelerate) {
    const Operation op(*this);
    simulationHost().removeCallbackMotor(id_, this);
    if (isAllMotors()) return axes_.each([=](IMotor& m) { m.StopMotion(decelerate); });
    setBit(Bt, 0);
    logAt(LogLevel::DEVELOPER, moveMode_ == "MV" ? "Stopping MV" : "Stopping MP");
}

void MotorSimulation::setRealTimePosition(int32_t position) {
    const Operation op(*this);
    if (flags_->stopRequested) {
        flags_->stopRequested = false;
        throw NumberedError(ErrorCodes::MOTION_INTERRUPTED, "Motion stopped");
    }
    for (const int direction : {1, -1}) {
        const int32_t limit = direction == 1 ? positiveLimit_ : negativeLimit_;
        if (direction * static_cast<double>(position) > direction * static_cast<double>(limit)) {
            hitLimit(direction);
            throw NumberedError(ErrorCodes::MOTION_INTERRUPTED,
                                direction == 1 ? "Positive limit switch reached" : "Negative limit switch reached");
        }
    }
    setBit(Bt, 1);
    currentPosition_ = position;
}

// ---------------------------------------------------------------- programs

void MotorSimulation::StartProgram(bool suppressPrintFromMotor) {
    const Operation op(*this);
    if (isAllMotors()) return axes_.each([=](IMotor& m) { m.StartProgram(suppressPrintFromMotor); });
    const int16_t type = motorType();
    if (isDravoFamily(type)) {
        bcdRunning_ = true;
    } else if (isSmartMotorFamily(type)) {
        auto program = CompiledProgram::fromSmx(programStore_.program());
        if (program) {
            // One machine per motor: variables keep their values from run to run.
            if (!machine_) machine_ = std::make_unique<ProgramMachine>();
            machine_->load(std::move(*program));
            machine_->start();
            programSilent_ = suppressPrintFromMotor;
            printedLine_.clear();
            // The motor runs it on its own, from the next pass of the loop.
            if (programTimer_) eventLoop().stopTimer(programTimer_);
            programTimer_ = eventLoop().startTimer(ProgramMachine::kSliceSeconds, [this] { runProgram(); });
        }
        if (suppressPrintFromMotor)
            suppressPrint();
        else
            unsuppressPrint();
    }
}

void MotorSimulation::StopProgram() {
    const Operation op(*this);
    if (isAllMotors()) return axes_.each([](IMotor& m) { m.StopProgram(); });
    const int16_t type = motorType();
    if (isSmartMotorFamily(type)) {
        if (machine_) machine_->stop();
        if (programTimer_) eventLoop().stopTimer(programTimer_);
        programTimer_ = 0;
        if (comm_) comm_->clearBuffer();
        unsuppressPrint();
    } else if (isDravoFamily(type)) {
        bcdRunning_ = false;
    }
}

namespace {

// The simulated motor as the program it runs sees it.
class ChannelProgramMotor final : public ProgramMotor {
public:
    ChannelProgramMotor(IMotor& motor, ICommunication& comm, int32_t id)
        : motor_(motor), comm_(comm), prefix_(std::to_string(id)) {}
    void command(const std::string& text) override { comm_.WriteCommand(prefix_ + text); }
    int32_t value(std::string_view word) override {
        const std::string answer = comm_.getResponseOf(prefix_ + "R" + std::string(word));
        return static_cast<int32_t>(std::strtol(answer.c_str(), nullptr, 10));
    }
    int32_t input(int32_t n) override { return n >= 1 && n <= 9 ? value("I" + std::to_string(n)) : 0; }
    bool moving() override { return motor_.isMoving(); }
    void print(std::string_view text) override { printed += text; }
    std::string printed;

private:
    IMotor& motor_;
    ICommunication& comm_;
    std::string prefix_;
};

}  // namespace

void MotorSimulation::runProgram() {
    eventLoop().stopTimer(programTimer_);
    programTimer_ = 0;
    if (!machine_) return;
    if (!comm_ || !comm_->isOpen()) return machine_->stop();
    ChannelProgramMotor side(*this, *comm_, id_);
    try {
        machine_->run(side, eventLoop().now());
    } catch (const NumberedError& e) {
        machine_->stop();
        logMotorMessage("the program stopped: " + e.description(), LogLevel::WARNING);
    }
    for (const char c : side.printed) {
        if (c != '\r') {
            printedLine_ += c;
            continue;
        }
        if (!programSilent_) logMotorMessage("prints " + printedLine_, LogLevel::info);
        printedLine_.clear();
    }
    if (!machine_->fault().empty()) {
        setBit(Bs, 1);
        logMotorMessage("the program stopped on " + machine_->fault(), LogLevel::WARNING);
    }
    if (machine_->running())
        programTimer_ =
            eventLoop().startTimer(std::max(machine_->due() - eventLoop().now(), 1e-6), [this] { runProgram(); });
}

void MotorSimulation::forceUpload(const std::string& fileName) {
    const Operation op(*this);
    // A SmartMotor-family motor hands back its compiled program over the
    // channel, as the real one does.
    if (isSmartMotorFamily(motorType())) return requireObject(comm_)->forceUpload(id_, fileName);
    std::string table;
    for (int i = 0; i < MOTION_TABLE_SIZE; ++i) {
        const auto& e = motionTable_[static_cast<std::size_t>(i)];
        if (e.position == 0 || e.velocity == 0 || e.acceleration == 0) break;
        const std::string n = text(i);
        table += "al[" + n + "]=" + text(e.position) + "\r\n";
        table += "VEL[" + n + "]=" + text(e.velocity) + "\r\n";
        table += "ACC[" + n + "]=" + text(e.acceleration) + "\r\n";
    }
    writeFile(fileName, table);
}

void MotorSimulation::download(const std::string& fileName) {
    const Operation op(*this);
    const int16_t type = motorType();
    if (isSmartMotorFamily(type)) return requireObject(comm_)->download(id_, fileName);
    if (!isDravoFamily(type)) return;
    // Lines such as "al[3]=12000"; anything else (MODE entries, stray text)
    // has no place in the simulated table and is skipped.
    for (const auto& line : readLines(fileName, "*")) {
        std::shared_ptr<Collection<std::string>> tokens;
        try {
            tokens = getTokensFromArrayAssignment(trim(line));
        } catch (const NumberedError&) {
            continue;  // an index or value that is no number
        }
        if (!tokens || tokens->count() < 3) continue;
        const std::string name = trim(tokens->item(1));
        const std::string indexText = trim(tokens->item(2));
        const std::string valueText = trim(tokens->item(3));
        if (!isNumeric(indexText) || !isNumeric(valueText)) continue;
        const double index = toDouble(indexText);
        if (index < 0 || index >= MOTION_TABLE_SIZE || index != std::floor(index)) continue;
        auto& entry = motionTable_[static_cast<std::size_t>(index)];
        const int32_t value = toInt32(toDouble(valueText));
        if (equalsIgnoreCase(name, "al"))
            entry.position = value;
        else if (equalsIgnoreCase(name, "VEL"))
            entry.velocity = value;
        else if (equalsIgnoreCase(name, "ACC"))
            entry.acceleration = value;
    }
}

// ---------------------------------------------------------------- I/O

std::size_t MotorSimulation::checkedIndex(int16_t number, int16_t last) {
    if (number < 1 || number > last) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
    return static_cast<std::size_t>(number);
}

int16_t MotorSimulation::getInputState(int16_t inputNumber) {
    const Operation op(*this);
    const std::size_t n = checkedIndex(inputNumber, MotorConstants::MAX_INPUTS);
    const auto inputs = configuration_ ? configuration_->getSimulationData(static_cast<int16_t>(id_)) : nullptr;
    const std::string definition = inputs ? inputs->simulatedInputs(inputNumber) : std::string();
    // "<motor><Y|N>...<output>": the input follows (Y) or inverts (N) an
    // output of a motor; a definition of another shape leaves the input as set.
    if (definition.size() >= 3 && std::isdigit(static_cast<unsigned char>(definition.front())) &&
        std::isdigit(static_cast<unsigned char>(definition.back())) && (definition[1] == 'Y' || definition[1] == 'N')) {
        const int motor = definition.front() - '0';
        const auto output = static_cast<int16_t>(definition.back() - '0');
        const auto peers = axes_.axes();
        if (!peers || motor < 1 || static_cast<std::size_t>(motor) > peers->count())
            throw NumberedError::platform(PlatformErrors::INVALID_PROCEDURE_CALL);
        const int16_t state = peers->item(static_cast<std::size_t>(motor))->getOutputState(output);
        if (definition[1] == 'Y')
            inputs_[n] = state;
        else if (state == 0)
            inputs_[n] = 1;
        else if (state == 1)
            inputs_[n] = 0;
    }
    return inputs_[n];
}

void MotorSimulation::setInputState(int16_t inputNumber, int16_t state) {
    const Operation op(*this);
    const std::size_t n = checkedIndex(inputNumber, MotorConstants::MAX_INPUTS);
    inputs_[n] = state;
    if (n == 11 && state == 1 && bcdRunning_ && isDravoFamily(motorType())) strobeTableMove();
}

void MotorSimulation::strobeTableMove() {
    // Inputs 1..6 select the table entry, input 1 the lowest bit.
    int64_t k = 0;
    for (int i = 1; i <= 6; ++i) k += int64_t{inputs_[static_cast<std::size_t>(i)]} << (i - 1);
    if (k < 0 || k >= MOTION_TABLE_SIZE) return;
    const auto& entry = motionTable_[static_cast<std::size_t>(k)];
    if (entry.velocity != 0 && entry.acceleration != 0)
        goToPosition(entry.position, entry.velocity, entry.acceleration);
}

int16_t MotorSimulation::getOutputState(int16_t outputNumber) {
    const Operation op(*this);
    return outputs_[checkedIndex(outputNumber, MotorConstants::MAX_OUTPUTS)];
}

void MotorSimulation::setOutputState(int16_t outputNumber, int16_t state) {
    const Operation op(*this);
    outputs_[checkedIndex(outputNumber, MotorConstants::MAX_OUTPUTS)] = state;
}

// ---------------------------------------------------------------- queries and state

int32_t MotorSimulation::statusWord() const {
    int32_t word = 0;
    for (std::size_t i = 0; i < statusBits_.size(); ++i) word += statusBits_[i] << i;
    return word;
}

std::string MotorSimulation::getResponseOf(const std::string& command) {
    const Operation op(*this);
    if (comm_) comm_->clearBuffer();
    if (command == "RW") return text(statusWord());
    if (command.size() == 3 && command[0] == 'R' && command[1] == 'B') {
        switch (command[2]) {
            case 't': return text(bit(Bt));
            case 'r': return text(bit(Br));
            case 'l': return text(bit(Bl));
            case 'i': return text(bit(Bi));
            case 'e': return text(bit(Be));
            case 'h': return text(bit(Bh));
            case 'o': return text(bit(Bo));
            case 'p': return text(bit(Bp));
            case 'm': return text(bit(Bm));
            default: return {};
        }
    }
    if (command == "RI") {
        // Reading the captured index position clears the index-captured bit.
        setBit(Bi, 0);
        return text(indexPosition_);
    }
    return {};
}

bool MotorSimulation::getIsResponse(const std::string& command, const std::string& response) {
    const Operation op(*this);
    return getResponseOf(command) == response;
}

bool MotorSimulation::isMoving() {
    const Operation op(*this);
    if (isAllMotors()) return axes_.any(&IMotor::isMoving);
    return getResponseOf("RBt") == "1";
}

void MotorSimulation::waitForStart() {
    const Operation op(*this);
    while (!isMoving()) eventLoop().processPendingEvents();
}

bool MotorSimulation::WaitForStop(int32_t timeOutSeconds, bool ignoreFault) {
    const Operation op(*this);
    // Unlike the real motor this wait never looks at the stop request: the
    // simulated move ends by itself.
    const double start = MoveSequences::waitStart();
    bool stopped = false;
    for (;;) {
        if (!isMoving()) {
            stopped = true;
            break;
        }
        if (timeOutSeconds >= 0 && eventLoop().now() - start > timeOutSeconds) break;
        eventLoop().processPendingEvents();
    }
    return MoveSequences::endWaitForStop(*this, name_, stopped, timeOutSeconds, ignoreFault);
}

bool MotorSimulation::hasFault() {
    const Operation op(*this);
    if (isAllMotors()) return axes_.any(&IMotor::hasFault);
    return MoveSequences::reportsFault(*this);
}

bool MotorSimulation::isServoOff() {
    const Operation op(*this);
    if (isAllMotors()) return axes_.all(&IMotor::isServoOff);
    return bit(Bo) == 1;
}

void MotorSimulation::stopServo() {
    const Operation op(*this);
    if (isAllMotors()) return axes_.each([](IMotor& m) { m.stopServo(); });
    setBit(Bo, 1);
}

void MotorSimulation::Reset(int16_t flag) {
    const Operation op(*this);
    switch (flag) {
        case Ba:
        case Bd:
        case Bl:
        case Br:
        case Bs:
        case Bu:
        case Bw: setBit(flag, 0); break;
        default:
            for (int b : {Br, Bl, Bw, Bd, Bu, Bs, Ba}) setBit(b, 0);
            break;
    }
}

std::string MotorSimulation::toString() {
    const Operation op(*this);
    const int32_t status = statusWord();
    std::string result;
    for (int16_t b = 0; b < 16; ++b)
        if (isBitOn(status, b)) result += std::string(" ") + Motor::statusBitDescription(b) + " = True";
    return result;
}

bool MotorSimulation::isBitOn(int32_t status, int16_t motorStatusWordBit) {
    if (motorStatusWordBit < 0 || motorStatusWordBit > 15)
        throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
    return (status & (1 << motorStatusWordBit)) != 0;
}

int32_t MotorSimulation::getTuningValue(int16_t which) {
    const Operation op(*this);
    return tuningValues_[checkedIndex(which, 8)];
}

void MotorSimulation::updateTuningValues(const std::vector<int32_t>& values) {
    const Operation op(*this);
    for (std::size_t i = 1; i <= 8; ++i) {
        if (i >= values.size()) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
        tuningValues_[i] = values[i];
    }
}

}  // namespace vek
