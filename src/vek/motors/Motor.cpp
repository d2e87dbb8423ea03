#include "vek/motors/Motor.h"

#include <cmath>

#include "vek/comm/ICommunication.h"
#include "vek/foundation/Convert.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/EventLoop.h"
#include "vek/foundation/Files.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NumberedError.h"
#include "vek/motors/MotorConstants.h"
#include "vek/motors/MotorStatusWordBits.h"
#include "vek/motors/MoveSequences.h"
#include "vek/persistence/Configuration.h"

namespace vek {

namespace {

constexpr const char* kStatusBitDescriptions[16] = {
    "Bt - Trajectory in progress",
    "Br - Historical right limit",
    "Bl - Historical left limit",
    "Bi - Index report available",
    "Bw - Wraparound",
    "Be - Excessive position error",
    "Bh - Excessive temperature",
    "Bo - Motor off",
    "Bx - Hardware index input",
    "Bp - Right limit",
    "Bm - Left limit",
    "Bd - User math overflow",
    "Bu - User array index range error",
    "Bs - Syntax error",
    "Ba - Over current state",
    "Bk - Over current state",
};

constexpr const char* kTuningNames[8] = {"KP", "KI", "KD", "KL", "KS", "KV", "KA", "KG"};

std::string numberText(int64_t value) {
    return std::to_string(value);
}

int32_t checkedInt32(int64_t value) {
    return toInt32(static_cast<double>(value));
}

}  // namespace

Motor::Motor()
    : id_(NOT_GIVEN),
      motorType_(static_cast<int16_t>(NOT_GIVEN)),
      statusBitDescriptions_(std::make_unique<Collection<std::string>>()),
      tuningNames_(std::make_unique<Collection<std::string>>()) {
    logMotorMessage("Initializing vek.Motor", LogLevel::DEVELOPER);
    for (int i = 0; i < 16; ++i) {
        bitMasks_[i] = static_cast<int32_t>(1u << i);
        statusBitDescriptions_->add(kStatusBitDescriptions[i], std::to_string(i));
    }
    for (int i = 0; i < 8; ++i) tuningNames_->add(kTuningNames[i], std::to_string(i + 1));
}

Motor::~Motor() {
    logAt(LogLevel::DEVELOPER, "Terminating vek.Motor (" + numberText(id_) + ")");
    smiMotor_.reset();
    comm_.reset();
    statusBitDescriptions_.reset();
    tuningNames_.reset();
}

void Motor::init(int32_t id, std::shared_ptr<ICommunication> comm, int16_t motorEncoderCounts,
                 const MotorContext& context) {
    id_ = id;
    prefix_ = numberText(id);
    motorEncoderCounts_ = motorEncoderCounts;
    comm_ = std::move(comm);
    configuration_ = context.configuration;
    axes_ = AxisGroup(context.axes);
    if (context.flags) flags_ = context.flags;
    requireChannel();
    smiMotor_ = comm_->getMotor(id);
    sendCommand("F=2");
    name_ = context.name.empty() ? "Motor" + numberText(id) : context.name;
    Reset();
    if (id_ == 0) return;
    const int16_t type = motorType();
    if (isSmartMotorFamily(type))
        brakeOnlyWhenServoInactive();
    else if (isDravoFamily(type))
        brakeReleaseOnlyDuringTrajectory();
}

// ---------------------------------------------------------------- framing

void Motor::sendCommand(const std::string& text) {
    requireChannel();
    frame_.assign(prefix_);
    frame_.append(text);
    comm_->WriteCommand(frame_);
}

std::string Motor::getResponseOf(const std::string& command) {
    requireChannel();
    frame_.assign(prefix_);
    frame_.append(command);
    return comm_->getResponseOf(frame_);
}

void Motor::requireChannel() const {
    // A motor used before init has no channel: refuse rather than crash.
    if (!comm_) raiseInvalidArgument("Object is uninitialized. Please assign a new object to the variable.");
    if (!comm_->isOpen())
        throw NumberedError(ErrorCodes::OPEN_PORT_FAILED,
                            "Motor[" + name_ + "]->The connection to the motors is closed.");
}

bool Motor::getIsResponse(const std::string& command, const std::string& response) {
    return getResponseOf(command) == response;
}

int32_t Motor::queryInt32(const std::string& command) {
    return toInt32(toDouble(getResponseOf(command)));
}
int16_t Motor::queryInt16(const std::string& command) {
    return toInt16(toDouble(getResponseOf(command)));
}
double Motor::queryDouble(const std::string& command) {
    return toDouble(getResponseOf(command));
}

void Motor::logMotorMessage(const std::string& message, int16_t level) {
    logAt(level, "Motor[" + name_ + "]->" + message, LogSource::MOTOR_SOURCE);
}

// ---------------------------------------------------------------- type

int16_t Motor::motorType() {
    if (motorType_ == static_cast<int16_t>(NOT_GIVEN)) {
        const int16_t type = lookUpMotorType();
        if (type == static_cast<int16_t>(NOT_GIVEN)) return 0;
        motorType_ = type;
    }
    return motorType_;
}

std::string Motor::motorTypeAsString() {
    return typeName(motorType());
}

const char* Motor::statusBitDescription(int16_t bit) {
    if (bit < 0 || bit > 15) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
    return kStatusBitDescriptions[bit];
}

std::string Motor::typeName(int16_t motorType) {
    switch (motorType) {
        case MotorConstants::TYPE_SM: return "SmartMotor";
        case MotorConstants::TYPE_JP: return "Kelpa";
        case MotorConstants::TYPE_WX: return "Mirvo";
        default: return "Motor";
    }
}

// ---------------------------------------------------------------- homing

bool Motor::home(int32_t homingOffset, int16_t direction, bool force, double smuSpeed, double smuAcceleration) {
    Reset();
    MoveSequences::logHoming(name_, homingOffset, direction, force, smuSpeed, smuAcceleration);
    if (!force && isHomed()) {
        logMotorMessage("Motor is already homed.", LogLevel::info);
        return true;
    }
    const bool result = findHome(homingOffset, direction, smuSpeed, smuAcceleration);
    sendCommand("z=" + toText(direction));
    logMotorMessage("Motor is now homed.", LogLevel::info);
    return result;
}

bool Motor::findHome(int32_t homingOffset, int16_t direction, double smuSpeed, double smuAcceleration) {
    const int16_t type = motorType();
    if (isSmartMotorFamily(type)) return findHomeSmartMotor(homingOffset, direction, smuSpeed, smuAcceleration);
    if (isDravoFamily(type)) return findHomeDravo(homingOffset, direction);
    return false;
}

bool Motor::findHomeSmartMotor(int32_t homingOffset, int16_t direction, double smuSpeed, double smuAcceleration) {
    // Fast approach to the limit in emulated velocity mode, then a slow one so
    // that the limit is met at a known low speed.
    StopProgram();
    Reset();
    setVelocityMode();
    setAcceleration(toInt32(smuAcceleration));
    setVelocity(toInt32(direction * smuSpeed));
    startMotion();
    waitForLimitSwitch(5, direction);

    Reset();
    setAcceleration(MotorConstants::DEFAULT_HOME_ACCELERATION);
    setVelocity(checkedInt32(int64_t{direction} * MotorConstants::DEFAULT_HOME_SPEED));
    startMotion();
    waitForLimitSwitch(5, direction);

    // Back off 20 counts so that the limit releases before seeking the index.
    Reset();
    const int32_t p = position();
    goToPosition(checkedInt32(int64_t{p} - 20 * int64_t{direction}), MotorConstants::DEFAULT_HOME_SPEED,
                 MotorConstants::DEFAULT_HOME_ACCELERATION);
    WaitForStop(-1, true);

    Reset();
    const int32_t p0 = position();
    // Reading the captured index position clears the index-captured bit.
    (void)getIndexPosition();
    if (queryDouble("RBi") != 0) logAt(LogLevel::Error, "Index bit didn't clear.");

    // One revolution plus 5 counts away from the limit is sure to pass an index mark.
    goToPosition(checkedInt32(int64_t{p0} - (int64_t{motorEncoderCounts_} + 5) * direction),
                 MotorConstants::DEFAULT_HOME_SPEED, MotorConstants::DEFAULT_HOME_ACCELERATION);
    WaitForStop(-1, false);
    if (queryDouble("RBi") == 0) throw NumberedError(ErrorCodes::NO_INDEX_PULSE, "No index pulse is detected!");

    const int32_t index = getIndexPosition();
    goToPosition(index, MotorConstants::DEFAULT_HOME_SPEED, MotorConstants::DEFAULT_HOME_ACCELERATION);
    WaitForStop(-1, false);

    Reset();
    setOrigin(checkedInt32(-int64_t{homingOffset}));
    return true;
}

bool Motor::findHomeDravo(int32_t homingOffset, int16_t direction) {
    Reset();
    // The Dravo firmware knows where its right and left ends are.
    int32_t target = 0;
    if (direction == 1)
        target = queryInt32("RPr");
    else if (direction == -1)
        target = queryInt32("RPl");
    goToPosition(target, MotorConstants::DEFAULT_JOG_SPEED, MotorConstants::DEFAULT_JOG_ACCELERATION);
    WaitForStop(-1, true);
    setOrigin(checkedInt32(-int64_t{homingOffset}));
    return true;
}

void Motor::waitForLimitSwitch(int32_t timeoutSeconds, int16_t direction) {
    const std::string bitQuery = direction == 1 ? "RBr" : direction == -1 ? "RBl" : "";
    logMotorMessage("Waiting for limit switch", LogLevel::DEVELOPER);
    comm_->clearBuffer();
    // The move ends when the limit stops the motor.
    WaitForStop(-1, true);
    logMotorMessage("reached the limit switch stop, now checking for " + bitQuery, LogLevel::DEVELOPER);
    const double start = MoveSequences::waitStart();
    for (;;) {
        if (getResponseOf(bitQuery) == "1") {
            logMotorMessage("Limit switch confirmed, returning.", LogLevel::DEVELOPER);
            return;
        }
        eventLoop().processPendingEvents();
        if (eventLoop().now() - start > timeoutSeconds)
            throw NumberedError(ErrorCodes::NO_LIMIT_SWITCH,
                                "Motor didn't reach limit switch within " + toText(timeoutSeconds) + " seconds ");
    }
}

int32_t Motor::getIndexPosition() {
    return queryInt32("RI");
}

void Motor::setOrigin(int32_t value) {
    sendCommand("O=" + numberText(value == NOT_GIVEN ? 0 : value));
}

bool Motor::isHomed() {
    if (isAllMotors()) return axes_.all(&IMotor::isHomed);
    return getResponseOf("Rz") != "0";
}

void Motor::invalidateHoming() {
    sendCommand("z=0");
}

int16_t Motor::homeDirection() {
    return queryInt16("Rz");
}

// ---------------------------------------------------------------- settings

void Motor::setTravel(int32_t travel) {
    sendCommand("TRAVEL=" + numberText(travel));
}

void Motor::Calibrate() {
    const int16_t type = motorType();
    if (type & 2)
        sendCommand("CALIBRATE");
    else if (type & 4)
        sendCommand("MECHZERO");
}

int16_t Motor::getCalibrateStatus() {
    return queryInt16("RCALIBRATE");
}

double Motor::standbyPower() {
    return queryDouble("RT2");
}

void Motor::setStandbyPower(double power) {
    sendCommand("T2=" + toText(power));
}

// ---------------------------------------------------------------- moves

void Motor::goToPosition(int32_t newPosition, int32_t newVelocity, int32_t newAcceleration) {
    MoveSequences::goToPosition(*this, newPosition, newVelocity, newAcceleration);
}

void Motor::goToRelativePosition(int32_t newRelativePosition, int32_t newVelocity, int32_t newAcceleration) {
    MoveSequences::goToRelativePosition(*this, newRelativePosition, newVelocity, newAcceleration);
}

void Motor::goWithVelocity(int32_t newVelocity, int32_t newAcceleration) {
    MoveSequences::goWithVelocity(*this, newVelocity, newAcceleration);
}

void Motor::startMotion() {
    if (moveMode_ != "MV") {
        sendCommand("G");
        return;
    }
    // Velocity mode is emulated by a position move to a distant target in the
    // direction of the last velocity written; the motor stays in position mode.
    logAt(LogLevel::DEVELOPER, "Simulating MV");
    setPosition(velocitySign_ * MotorConstants::VELOCITY_MODE_TARGET);
    if (bufferedVelocity() != 0)
        sendCommand("G");
    else
        StopMotion(true);
}

void Motor::StopMotion(bool decelerate) {
    sendCommand(decelerate ? "X" : "S");
}

void Motor::setVelocityMode() {
    moveMode_ = "MV";
    sendCommand("MP");
}

void Motor::setPositionMode() {
    moveMode_ = "MP";
    sendCommand("MP");
}

// ---------------------------------------------------------------- programs

void Motor::StartProgram(bool suppressPrintFromMotor) {
    if (isAllMotors()) return axes_.each([=](IMotor& m) { m.StartProgram(suppressPrintFromMotor); });
    const int16_t type = motorType();
    if (isSmartMotorFamily(type)) {
        sendCommand(suppressPrintFromMotor ? "SILENT" : "TALK");
        sendCommand("RUN");
    } else if (isDravoFamily(type)) {
        sendCommand("BCD_ON");
    }
}

void Motor::StopProgram() {
    if (isAllMotors()) return axes_.each([](IMotor& m) { m.StopProgram(); });
    const int16_t type = motorType();
    if (isSmartMotorFamily(type)) {
        sendCommand("END");
        // A program may have printed before it ended; drop that output.
        comm_->clearBuffer();
        sendCommand("TALK");
    } else if (isDravoFamily(type)) {
        sendCommand("BCD_OFF");
    }
}

void Motor::suppressPrint() {
    sendCommand("SILENT");
}
void Motor::unsuppressPrint() {
    sendCommand("TALK");
}
void Motor::ignoreAllCommands(bool flag) {
    sendCommand(flag ? "SLEEP" : "WAKE");
}

void Motor::forceUpload(const std::string& fileName) {
    const int16_t type = motorType();
    if (isSmartMotorFamily(type)) {
        comm_->forceUpload(id_, fileName);
    } else if (isDravoFamily(type)) {
        writeFile(fileName, readMotionTable());
    }
}

std::string Motor::readMotionTable() {
    std::string text;
    for (int i = 0; i <= 99; ++i) {
        const std::string n = numberText(i);
        const int32_t a = queryInt32("Ral[" + n + "]");
        const int32_t v = queryInt32("RVEL[" + n + "]");
        const int32_t c = queryInt32("RACC[" + n + "]");
        const int16_t m = queryInt16("RMODE[" + n + "]");
        // The table ends at the first entry without a target, speed or acceleration.
        if (a == 0 || v == 0 || c == 0) break;
        text += "MODE[" + n + "]=" + numberText(m) + "\r\n";
        text += "al[" + n + "]=" + numberText(a) + "\r\n";
        text += "VEL[" + n + "]=" + numberText(v) + "\r\n";
        text += "ACC[" + n + "]=" + numberText(c) + "\r\n";
    }
    return text;
}

void Motor::download(const std::string& fileName) {
    const int16_t type = motorType();
    if (isSmartMotorFamily(type)) {
        comm_->download(id_, fileName);
    } else if (isDravoFamily(type)) {
        for (const auto& line : readLines(fileName, "", true)) sendCommand(trim(line));
    }
}

// ---------------------------------------------------------------- I/O

int16_t Motor::getInputState(int16_t inputNumber) {
    return queryInt16("RI" + numberText(inputNumber));
}
int16_t Motor::getOutputState(int16_t outputNumber) {
    return queryInt16("RO" + numberText(outputNumber));
}
void Motor::setOutputState(int16_t outputNumber, int16_t state) {
    sendCommand("O" + numberText(outputNumber) + "=" + numberText(state));
}

// ---------------------------------------------------------------- state

bool Motor::isMoving() {
    if (isAllMotors()) return axes_.any(&IMotor::isMoving);
    return getResponseOf("RBt") == "1";
}

void Motor::waitForStart() {
    while (!isMoving()) eventLoop().processPendingEvents();
}

bool Motor::WaitForStop(int32_t timeOutSeconds, bool ignoreFault) {
    const double start = MoveSequences::waitStart();
    bool stopped = false;
    while (!stopped) {
        if (!isMoving()) {
            stopped = true;
            break;
        }
        if (timeOutSeconds >= 0) {
            if (eventLoop().now() - start > timeOutSeconds) break;
            if (flags_->stopRequested) {
                flags_->stopRequested = false;
                throw NumberedError(ErrorCodes::USER_INTERRUPTION, "Exiting WaitForStop command.");
            }
        }
        eventLoop().processPendingEvents();
    }
    return MoveSequences::endWaitForStop(*this, name_, stopped, timeOutSeconds, ignoreFault);
}

bool Motor::hasFault() {
    if (isAllMotors()) return axes_.any(&IMotor::hasFault);
    return MoveSequences::reportsFault(*this);
}

bool Motor::isServoOff() {
    if (isAllMotors()) return axes_.all(&IMotor::isServoOff);
    return getResponseOf("RBo") == "1";
}

void Motor::stopServo() {
    if (isAllMotors()) return axes_.each([](IMotor& m) { m.stopServo(); });
    sendCommand("OFF");
}

void Motor::brakeRelease() {
    sendCommand("BRKRLS");
}
void Motor::brakeEngage() {
    sendCommand("BRKENG");
}
void Motor::brakeOnlyWhenServoInactive() {
    sendCommand("BRKSRV");
}
void Motor::brakeReleaseOnlyDuringTrajectory() {
    sendCommand("BRKSTP");
}

void Motor::Reset(int16_t flag) {
    const char* command = "ZS";
    switch (flag) {
        case MotorStatusWordBits::Br: command = "Zr"; break;
        case MotorStatusWordBits::Bl: command = "Zl"; break;
        case MotorStatusWordBits::Bw: command = "Zw"; break;
        case MotorStatusWordBits::Bd: command = "Zd"; break;
        case MotorStatusWordBits::Bu: command = "Zu"; break;
        case MotorStatusWordBits::Bs: command = "Zs"; break;
        case MotorStatusWordBits::Ba: command = "Za"; break;
        case MotorStatusWordBits::Bb: command = "Zb"; break;
        case MotorStatusWordBits::Bc: command = "Zc"; break;
        case MotorStatusWordBits::BF: command = "Zf"; break;
        default: break;
    }
    sendCommand(command);
}

void Motor::firmwareReset() {
    if (isDravoFamily(motorType())) sendCommand("XYZZY");
}

void Motor::ignoreLimits(int16_t status) {
    if (isDravoFamily(motorType())) sendCommand("IG_LIMS=" + numberText(status));
}

double Motor::temperature() {
    sendCommand("y=TEMP");
    // The motor reports Celsius; the property is Fahrenheit.
    return queryDouble("Ry") * 1.8 + 32;
}

// ---------------------------------------------------------------- values

int32_t Motor::acceleration() {
    return queryInt32("RA");
}
void Motor::setAcceleration(int32_t acceleration) {
    sendCommand("A=" + numberText(acceleration));
}

int32_t Motor::bufferedVelocity() {
    sendCommand("y=V");
    return queryInt32("Ry");
}

int32_t Motor::velocity() {
    return queryInt32("RV");
}

void Motor::setVelocity(int32_t velocity) {
    // The motor takes a speed; the direction of an emulated velocity move
    // comes from the sign kept here.
    velocitySign_ = velocity >= 0 ? 1 : -1;
    sendCommand("V=" + numberText(std::abs(int64_t{velocity})));
}

int32_t Motor::bufferedPosition() {
    sendCommand("y=P");
    return queryInt32("Ry");
}

int32_t Motor::position() {
    return queryInt32("RP");
}
void Motor::setPosition(int32_t position) {
    sendCommand("P=" + numberText(position));
}

void Motor::setRelativePosition(int32_t relativePosition) {
    const int32_t current = position();
    sendCommand("P=" + numberText(checkedInt32(int64_t{current} + relativePosition)));
}

int16_t Motor::MaxCurrent() {
    return queryInt16("RAMPS");
}
void Motor::setMaxCurrent(int16_t maxCurrent) {
    sendCommand("AMPS=" + numberText(maxCurrent));
}
int16_t Motor::MaxPositionError() {
    return queryInt16("RE");
}
void Motor::setMaxPositionError(int16_t maxPositionError) {
    sendCommand("E=" + numberText(maxPositionError));
}

bool Motor::canCommunicate() {
    try {
        (void)getResponseOf("Rz");
        return true;
    } catch (...) {
        return false;
    }
}

std::string Motor::toString() {
    std::string text;
    try {
        const int32_t status = queryInt32("RW");
        const auto count = static_cast<int16_t>(statusBitDescriptions_->count());
        for (int16_t bit = 0; bit < count; ++bit)
            if (isBitOn(status, bit)) text += " " + statusBitDescriptions_->item(bit + 1) + " = True";
    } catch (...) {
        // A status text is informational: show what could be read.
    }
    return text;
}

bool Motor::isBitOn(int32_t status, int16_t motorStatusWordBit) {
    if (motorStatusWordBit < 0 || motorStatusWordBit > 15)
        throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
    return (status & bitMasks_[motorStatusWordBit]) != 0;
}

int32_t Motor::getTuningValue(int16_t which) {
    if (which < 1) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
    return queryInt32("R" + tuningNames_->item(static_cast<std::size_t>(which)));
}

void Motor::updateTuningValues(const std::vector<int32_t>& values) {
    for (std::size_t i = 1; i <= 8; ++i) {
        if (i >= values.size()) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
        sendCommand(tuningNames_->item(i) + "=" + numberText(values[i]));
    }
    // Make the new gains take effect.
    sendCommand("F");
}

// ---------------------------------------------------------------- configuration

int16_t Motor::lookUpMotorType() {
    return configuredMotorType(configuration_.get(), id_);
}

int16_t Motor::configuredMotorType(const Configuration* configuration, int32_t id) {
    // Without a configuration (no database open yet) or a slide for this
    // axis the type stays unknown and is asked again next time.
    if (!configuration || id < 1) return static_cast<int16_t>(NOT_GIVEN);
    const auto& record = configuration->motorsData()->item(static_cast<std::size_t>(id));
    const auto slide = record->SlideData();
    return slide ? slide->motorType() : static_cast<int16_t>(NOT_GIVEN);
}

}  // namespace vek
