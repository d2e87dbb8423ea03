#include "vek/commands/Commands.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <sstream>
#include <thread>

#include "vek/foundation/Convert.h"
#include "vek/foundation/Error.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/EventLoop.h"
#include "vek/foundation/Files.h"
#include "vek/foundation/InstallFolder.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/Mail.h"
#include "vek/foundation/NumberedError.h"
#include "vek/geometry/Coordinates.h"
#include "vek/geometry/Node.h"
#include "vek/geometry/NodePath.h"
#include "vek/geometry/Path.h"
#include "vek/geometry/Point.h"
#include "vek/motion/LinearSlides.h"
#include "vek/motors/Calibration.h"
#include "vek/motors/IMotor.h"
#include "vek/motors/Measurement.h"
#include "vek/motors/MotorStatus.h"
#include "vek/motors/Units.h"
#include "vek/peripherals/IIOData.h"
#include "vek/persistence/Configuration.h"
#include "vek/persistence/DataSet.h"
#include "vek/persistence/DataSets.h"
#include "vek/persistence/MotorData.h"
#include "vek/persistence/SlideData.h"
#include "vek/programs/SingleMotorProgram.h"

namespace vek {

namespace {

// Numbers of the command layer's own failures.
constexpr int32_t CALIBRATION_FAILED = 1;
constexpr int32_t DUPLICATE_PATH = 2;
constexpr int32_t MOTOR_PROGRAM_FAILED = 3;
constexpr int32_t FAULT_WHILE_WAITING = 4;
constexpr int32_t PROGRAM_STOPPED = 5;

// Between two polls of a wait the host's events run for this long.
constexpr double POLL_SECONDS = 0.005;
constexpr double PI = 3.14159265358979;

[[noreturn]] void fail(int32_t number, const std::string& description) {
    throw NumberedError(number, description, Commands::SOURCE);
}

[[noreturn]] void noConnection() {
    fail(ErrorCodes::NO_MOTORS_DETECTED, "No connection is open.");
}

template <typename T>
std::shared_ptr<T> provided(const std::function<std::shared_ptr<T>()>& provider) {
    return provider ? provider() : nullptr;
}

// A process-wide object that exists from start-up to shut-down.
template <typename T>
T& requireShared(const std::function<std::shared_ptr<T>()>& provider) {
    const auto object = provided(provider);
    if (!object) raiseShutDown(Commands::SOURCE);
    return *object;
}

// Whole seconds since `start` (itself whole), as the waits count them.
double elapsedSeconds(double start) {
    return std::nearbyint(eventLoop().now()) - start;
}

std::string threadId() {
    std::ostringstream id;
    id << std::this_thread::get_id();
    return id.str();
}

}  // namespace

Commands::Commands(Sources sources) : sources_(std::move(sources)), motorStatus_(std::make_shared<vek::MotorStatus>()) {
    logAt(LogLevel::DEVELOPER, "Commands initialized");
}

Commands::~Commands() {
    logAt(LogLevel::DEVELOPER, "Commands terminated");
}

// ---------------------------------------------------------------- helpers

template <typename Checks>
void Commands::validate(Checks&& checks) const {
    const Error& v = validator();
    try {
        checks(v);
    } catch (const NumberedError& e) {
        throw NumberedError(e.number(), e.description(), SOURCE, e.helpFile(), e.helpContext());
    }
}

const Error& Commands::validator() const {
    return requireShared(sources_.validator);
}

Coordinates& Commands::coordinates() const {
    return requireShared(sources_.coordinates);
}

Measurement& Commands::measurement() const {
    return requireShared(sources_.measurement);
}

LinearSlides& Commands::slides() const {
    return requireShared(sources_.slides);
}

Configuration& Commands::configuration() const {
    const auto c = provided(sources_.configuration);
    if (!c) slides();  // after shut-down, say so rather than "no database"
    if (!c) fail(ErrorCodes::DATABASE_ERROR, "No database is loaded; call databaseRelatedInit first.");
    return *c;
}

DataSets& Commands::dataSets() const {
    const auto d = provided(sources_.dataSets);
    if (!d) slides();
    if (!d) fail(ErrorCodes::DATABASE_ERROR, "No database is loaded; call databaseRelatedInit first.");
    return *d;
}

std::shared_ptr<IMotor> Commands::motor(int16_t motorIndex) const {
    LinearSlides& s = slides();
    if (motorIndex == 0) {
        if (!s.AllMotors()) noConnection();
        return s.AllMotors();
    }
    const auto& motors = s.motors();
    if (!motors || motorIndex < 1 || static_cast<std::size_t>(motorIndex) > motors->count()) noConnection();
    return motors->item(static_cast<std::size_t>(motorIndex));
}

Commands::Slide Commands::slideOf(int16_t axis) const {
    const auto records = configuration().motorsData();
    if (axis >= 1 && static_cast<std::size_t>(axis) <= records->count()) {
        if (const auto slide = records->item(static_cast<std::size_t>(axis))->SlideData())
            return {slide->pitch(), slide->motorType()};
    }
    return {0.0, static_cast<int16_t>(NOT_GIVEN)};
}

double Commands::toMachine(Quantity quantity, int16_t axis, double value, const char* what) const {
    const auto refuse = [what] {
        fail(ErrorCodes::INVALID_ARGUMENTS, std::string(what) + " has to be a finite number.");
    };
    if (!std::isfinite(value)) refuse();
    Configuration& config = configuration();
    int16_t from = config.unit();
    int16_t to = axis == 0 ? Units::VEK : Units::smu;
    // Coordinated motion speaks the X axis's terms.
    const Slide slide = axis == 0 ? Slide{config.MOTOR_X_PITCH(), config.MOTOR_X_TYPE()} : slideOf(axis);
    Measurement& m = measurement();
    double result = 0.0;
    switch (quantity) {
        case Quantity::position: result = m.getPosition(from, to, value, slide.pitch, slide.motorType); break;
        case Quantity::velocity: result = m.getVelocity(from, to, value, slide.pitch, slide.motorType); break;
        case Quantity::acceleration: result = m.getAcceleration(from, to, value, slide.pitch, slide.motorType); break;
    }
    if (!std::isfinite(result)) refuse();
    return result;
}

int32_t Commands::toMotor(Quantity quantity, int16_t axis, double value, const char* what) const {
    return toInt32(toMachine(quantity, axis, value, what));
}

double Commands::positionToUser(int16_t axis, double counts) const {
    int16_t from = Units::smu;
    int16_t to = configuration().unit();
    const Slide slide = slideOf(axis);
    return measurement().getPosition(from, to, counts, slide.pitch, slide.motorType);
}

void Commands::say(const std::string& text) {
    logAt(LogLevel::DISPLAYONLY, text);
}

// ---------------------------------------------------------------- motion

void Commands::LogMessage(const std::string& message, int16_t level) {
    validate([&](const Error& v) { v.validateLogLevels(level); });
    logAt(level, message);
}

std::shared_ptr<MotorStatus> Commands::MotorStatus(int16_t motorIndex) {
    validate([&](const Error& v) { v.validateAxis(motorIndex); });
    const auto& motors = slides().motors();
    if (!motors) noConnection();
    motorStatus_->refresh(*motors, motorIndex);
    return motorStatus_;
}

bool Commands::WaitForStop(int16_t motorIndex, int16_t monitorMotorIndex, const std::string& monitorInputSwitch,
                           int16_t monitorInputSwitchStatus, bool decelerate, int32_t timeOutSeconds) {
    say("Executing WaitForStop command for motor " + toText(motorIndex));
    validate([&](const Error& v) {
        v.validateAxis(motorIndex, true);
        v.validateBinary(monitorInputSwitchStatus);
        if (monitorMotorIndex != -1) v.validateAxis(monitorMotorIndex, true);
    });
    const auto m = motor(motorIndex);
    const double start = std::nearbyint(eventLoop().now());
    if (monitorInputSwitch.empty() || monitorMotorIndex == -1) {
        const bool stopped = m->WaitForStop(timeOutSeconds);
        say("WaitForStop command done.");
        return stopped;
    }
    // The switch is read as CheckSwitch reads it, without its progress lines
    // on every poll.
    const Switch monitored = resolveSwitch(monitorMotorIndex, monitorInputSwitch, true);
    const auto stopAndCheck = [&] {
        m->StopMotion(decelerate);
        if (m->hasFault()) fail(FAULT_WHILE_WAITING, "Error encountered while waiting for stop");
        say("WaitForStop command done.");
        return true;
    };
    for (;;) {
        const bool moving = m->isMoving();
        if (readSwitch(monitored, true) == monitorInputSwitchStatus || !moving) return stopAndCheck();
        if (timeOutSeconds >= 0) {
            if (elapsedSeconds(start) >= timeOutSeconds) break;
            endOnProgramStop("WaitForStop");
        }
        eventLoop().wait(POLL_SECONDS);
    }
    if (m->isMoving()) {
        logAt(LogLevel::WARNING, "WaitForStop resulted in timeout in " + toText(timeOutSeconds) + " seconds.");
        return false;
    }
    if (m->hasFault()) fail(FAULT_WHILE_WAITING, "Error encountered while waiting for stop");
    say("WaitForStop command done.");
    return true;
}

void Commands::endOnProgramStop(const char* command) {
    if (!programStop_) return;
    programStop_ = false;
    fail(PROGRAM_STOPPED, std::string("Exiting ") + command + " command.");
}

void Commands::StopMotion(int16_t motorIndex, bool decelerate) {
    say("Executing StopMotion command for motor " + toText(motorIndex));
    validate([&](const Error& v) { v.validateAxis(motorIndex, true); });
    if (motorIndex == 0) {
        // Sets the stop request that ends coordinated motion too.
        slides().stopMotors(decelerate);
    } else {
        motor(motorIndex)->StopMotion(decelerate);
    }
    say("StopMotion command done.");
}

void Commands::move(const char* command, int16_t motorIndex, double target, int16_t direction, double speed,
                    double acceleration) {
    const std::string name = command;
    const bool velocity = name == "DoVelocityMove";
    say("Executing " + name + " command for motor " + toText(motorIndex));
    validate([&](const Error& v) {
        v.validateAxis(motorIndex);
        v.validateSpeed(speed);
        v.validateAcceleration(acceleration);
        if (velocity) v.validateDirection(direction);
    });
    const int32_t a = toMotor(Quantity::acceleration, motorIndex, acceleration, "Acceleration");
    const int32_t v = toMotor(Quantity::velocity, motorIndex, speed, "Speed");
    const auto m = motor(motorIndex);
    if (velocity) {
        const int64_t signedSpeed = int64_t{direction} * v;
        m->goWithVelocity(toInt32(static_cast<double>(signedSpeed)), a);
    } else {
        const bool relative = name == "DoRelativeMove";
        const int32_t p = toMotor(Quantity::position, motorIndex, target, relative ? "Distance" : "Position");
        if (relative)
            m->goToRelativePosition(p, v, a);
        else
            m->goToPosition(p, v, a);
    }
    say(name + " command done.");
}

void Commands::DoRelativeMove(int16_t motorIndex, double relativeMoveDistance, double speed, double acceleration) {
    move("DoRelativeMove", motorIndex, relativeMoveDistance, 1, speed, acceleration);
}

void Commands::DoPositionMove(int16_t motorIndex, double absolutePosition, double speed, double acceleration) {
    move("DoPositionMove", motorIndex, absolutePosition, 1, speed, acceleration);
}

void Commands::DoVelocityMove(int16_t motorIndex, int16_t direction, double speed, double acceleration) {
    move("DoVelocityMove", motorIndex, 0.0, direction, speed, acceleration);
}

void Commands::DoLine(const std::shared_ptr<Point>& toPoint, double speed, double acceleration) {
    validate([&](const Error& v) {
        v.validateObject(toPoint);
        v.validateSpeed(speed);
        v.validateAcceleration(acceleration);
    });
    say("Executing DoLine command to point " + toPoint->name());
    const double a = toMachine(Quantity::acceleration, 0, acceleration, "Acceleration");
    const double v = toMachine(Quantity::velocity, 0, speed, "Speed");
    const auto node = toPoint->getNode();
    // A free point's node is new and holds world values only; a stored
    // point keeps the user values its transformation gave it.
    if (!toPoint->isNodeView() && coordinates().system() == COORDINATE_SYSTEM::USER_SYSTEM)
        coordinates().ApplyTransformationToNode(node);
    slides().drawLine(node, nullptr, v, a, true);
    say("DoLine command done.");
}

void Commands::DoPath(const std::shared_ptr<vek::Path>& path, double speed, double acceleration, double cornerRadius) {
    validate([&](const Error& v) {
        v.validateObject(path);
        v.validateSpeed(speed);
        v.validateAcceleration(acceleration);
        v.validateCornerRadius(cornerRadius);
    });
    say("Executing DoPath command for path " + path->name());
    const double r = toMachine(Quantity::position, 0, cornerRadius, "Corner radius");
    const double a = toMachine(Quantity::acceleration, 0, acceleration, "Acceleration");
    const double v = toMachine(Quantity::velocity, 0, speed, "Speed");
    slides().drawPath(path->getNodePath(), v, a, true, r);
    raisePathEvent(path->name());
    say("DoPath command done.");
}

std::shared_ptr<vek::Path> Commands::AppendPaths(const std::shared_ptr<vek::Path>& first,
                                                 const std::shared_ptr<vek::Path>& second) {
    validate([&](const Error& v) { v.validateObject(first); });
    const auto joined = dataSets().AppendPaths(first->getNodePath(), second ? second->getNodePath() : nullptr);
    if (!joined) fail(DUPLICATE_PATH, "Duplicate path error for -> " + (second ? second->name() : std::string()));
    return slides().getPathFromNodePath(joined);
}

std::shared_ptr<Point> Commands::BeginningPathPoint(const std::shared_ptr<vek::Path>& path) {
    validate([&](const Error& v) { v.validateObject(path); });
    const auto& nodePath = path->getNodePath();
    const auto node = nodePath ? nodePath->getBeginningNode() : nullptr;
    if (!node) fail(ErrorCodes::INVALID_ARGUMENTS, "Path " + path->name() + " has no points.");
    return slides().getPointFromNode(node);
}

std::shared_ptr<Point> Commands::CurrentPoint() {
    const auto& motors = slides().motors();
    if (!motors || motors->count() == 0) noConnection();
    auto point = std::make_shared<Point>();
    const int16_t axes = static_cast<int16_t>(std::min<std::size_t>(motors->count(), 3));
    for (int16_t i = 1; i <= axes; ++i)
        point->setCoordinate(i, positionToUser(i, motors->item(static_cast<std::size_t>(i))->position()));
    point->setName("CURRENT_POINT");
    return point;
}

void Commands::Calibrate(int16_t motorIndex, int16_t direction, bool force, double speed, double acceleration) {
    say("Homing motors...");
    validate([&](const Error& v) {
        v.validateAxis(motorIndex, true);
        v.validateDirection(direction);
        if (speed != -1.0) v.validateSpeed(speed);
        if (acceleration != -1.0) v.validateAcceleration(acceleration);
    });
    const auto refuseInfinite = [](double value, const char* what) {
        if (std::isinf(value)) fail(ErrorCodes::INVALID_ARGUMENTS, std::string(what) + " has to be a finite number.");
    };
    refuseInfinite(speed, "Speed");
    refuseInfinite(acceleration, "Acceleration");
    if (!requireShared(sources_.calibration).homeMotor(motorIndex, direction, force, speed, acceleration))
        fail(CALIBRATION_FAILED, "Calibration failed for motorIndex = " + toText(motorIndex));
    say("Homing motors done.");
}

void Commands::Reset() {
    coordinates().init();
    if (const auto sets = provided(sources_.dataSets)) {
        for (const auto& dataSet : *sets->getDataSets())
            for (const auto& path : *dataSet->paths()) path->setNextPath(nullptr);
    }
    LinearSlides& s = slides();
    s.removeAllCache();
    const auto all = motor(0);
    all->Reset();
    s.stopMotors(true);
    all->StopProgram();
    say("");
}

void Commands::SetServoOff(int16_t motorIndex, bool autoBrake) {
    validate([&](const Error& v) { v.validateAxis(motorIndex, true); });
    const auto m = motor(motorIndex);
    const std::string name = m->name();
    say("Setting servo off for " + name + ".");
    m->stopServo();
    say((autoBrake ? "Setting brake on for " : "Setting brake off for ") + name + ".");
}

bool Commands::RunDiagnostics() {
    say("RunDiagnostics command started.");
    const bool result = slides().RunDiagnostics();
    say("RunDiagnostics command done.");
    return result;
}

// ---------------------------------------------------------------- switches

Commands::Switch Commands::resolveSwitch(int16_t motorIndex, const std::string& name, bool isInput) const {
    if (motorIndex == 0) {
        auto io = provided(sources_.ioData);
        if (!io) fail(ErrorCodes::INVALID_ARGUMENTS, "No external IO device is available for switch " + name + ".");
        const int16_t number = isInput ? io->getInputLabelIndex(name) : io->getOutputLabelIndex(name);
        return {nullptr, std::move(io), number, " on external IO"};
    }
    auto m = motor(motorIndex);
    const auto record = configuration().motorsData()->item(static_cast<std::size_t>(motorIndex));
    const int16_t number = isInput ? record->getInputLabelIndex(name) : record->getOutputLabelIndex(name);
    std::string where = " on " + m->name();
    return {std::move(m), nullptr, number, std::move(where)};
}

int16_t Commands::readSwitch(const Switch& sw, bool isInput) {
    if (sw.io) return (isInput ? sw.io->getInputState(sw.number) : sw.io->getOutputState(sw.number)) ? 1 : 0;
    return isInput ? sw.motor->getInputState(sw.number) : sw.motor->getOutputState(sw.number);
}

bool Commands::WaitForSwitch(int16_t motorIndex, const std::string& inputSwitch, int16_t status,
                             int32_t timeOutSeconds) {
    logAt(LogLevel::DEVELOPER, [] { return "WaitForSwitch command started in thread " + threadId(); });
    validate([&](const Error& v) {
        v.validateAxis(motorIndex, true);
        v.validateBinary(status);
    });
    const Switch input = resolveSwitch(motorIndex, inputSwitch, true);
    say("Waiting for inputSwitch " + inputSwitch + input.where + " to have status = " + toText(status));
    const double start = std::nearbyint(eventLoop().now());
    bool shown = false;
    for (;;) {
        if (readSwitch(input, true) == status) {
            shown = true;
            break;
        }
        if (timeOutSeconds < 1) {
            endOnProgramStop("WaitForSwitch");
        } else if (elapsedSeconds(start) >= timeOutSeconds) {
            logAt(LogLevel::WARNING, "InputSwitch " + inputSwitch + " didn't get value = " + toText(status) + " in " +
                                         toText(timeOutSeconds) + " seconds.");
            break;
        }
        eventLoop().wait(POLL_SECONDS);
    }
    say("WaitForSwitch command done.");
    logAt(LogLevel::DEVELOPER, [] { return "WaitForSwitch command done in thread " + threadId(); });
    return shown;
}

void Commands::SetSwitch(int16_t motorIndex, const std::string& outputSwitch, int16_t status) {
    validate([&](const Error& v) {
        v.validateAxis(motorIndex, true);
        v.validateBinary(status);
    });
    const Switch output = resolveSwitch(motorIndex, outputSwitch, false);
    say("Setting outputSwitch " + outputSwitch + output.where + " to have status = " + toText(status));
    if (output.io)
        output.io->setOutputState(output.number, status == 1);
    else
        output.motor->setOutputState(output.number, status);
    say("SetSwitch command done.");
}

int16_t Commands::CheckSwitch(int16_t motorIndex, const std::string& switchName, bool isInputSwitch) {
    validate([&](const Error& v) { v.validateAxis(motorIndex, true); });
    const Switch sw = resolveSwitch(motorIndex, switchName, isInputSwitch);
    say(std::string(isInputSwitch ? "Checking inputSwitch " : "Checking outputSwitch ") + switchName + sw.where + ".");
    const int16_t state = readSwitch(sw, isInputSwitch);
    say("CheckSwitch command done.");
    return state;
}

// ---------------------------------------------------------------- values and timers

void Commands::SaveValue(const std::string& key, const std::string& value, bool isPersistence) {
    const std::string stored = VALUE_KEY_PREFIX + key;
    // Checked first: a refused value must not change what is in memory.
    Configuration* config = isPersistence ? &configuration() : nullptr;
    if (values_.contains(stored)) values_.remove(stored);
    values_.add(value, stored);
    if (config) config->storeConfigValue(stored, value);
}

std::string Commands::GetValue(const std::string& key) {
    const std::string stored = VALUE_KEY_PREFIX + key;
    if (values_.contains(stored)) return values_.item(stored);
    const auto config = provided(sources_.configuration);
    if (config && config->containsConfigKey(stored)) {
        std::string value = config->getConfigValue(stored);
        values_.add(value, stored);
        return value;
    }
    logAt(LogLevel::WARNING, "Can't find value for key -> " + key);
    return {};
}

void Commands::RemoveValue(const std::string& key) {
    const std::string stored = VALUE_KEY_PREFIX + key;
    if (values_.contains(stored)) values_.remove(stored);
    if (const auto config = provided(sources_.configuration)) config->removeConfigValue(stored);
}

void Commands::StartTimer(const std::string& timerKey) {
    // The event loop's clock: monotonic (no jump at midnight), and virtual
    // under a manual clock.
    if (timers_.contains(timerKey)) timers_.remove(timerKey);
    timers_.add(eventLoop().now(), timerKey);
}

double Commands::ElapsedTimer(const std::string& timerKey, bool resetTimer) {
    if (!timers_.contains(timerKey)) {
        logAt(LogLevel::WARNING, "First start timer with StartTimer. TimerKey " + timerKey + " is not found.");
        return 0.0;
    }
    const double elapsed = eventLoop().now() - timers_.item(timerKey);
    if (resetTimer) StartTimer(timerKey);
    return elapsed;
}

// ---------------------------------------------------------------- transformations

void Commands::useUserSystem() {
    coordinates().setSystem(COORDINATE_SYSTEM::USER_SYSTEM);
}

void Commands::ShiftAxis(double xShift, double yShift, double zShift, bool isChained) {
    if (xShift == 0.0 && yShift == 0.0 && zShift == 0.0 && !isChained) {
        coordinates().init();
        return;
    }
    const double x = toMachine(Quantity::position, 1, xShift, "Shift");
    const double y = toMachine(Quantity::position, 2, yShift, "Shift");
    const double z = toMachine(Quantity::position, 3, zShift, "Shift");
    useUserSystem();
    coordinates().setupTranslation(x, y, z, isChained);
}

void Commands::RotateAxis(double angle, int16_t aroundAxis, bool isChained) {
    if (angle == 0.0 && !isChained) {
        coordinates().init();
        return;
    }
    if (!std::isfinite(angle)) fail(ErrorCodes::INVALID_ARGUMENTS, "Angle has to be a finite number.");
    useUserSystem();
    coordinates().setupRotate(angle * PI / 180.0, aroundAxis, isChained);
}

void Commands::RotateAxisAroundPoint(const std::shared_ptr<Point>& aroundPoint, double angle, int16_t aroundAxis,
                                     bool isChained) {
    if (!aroundPoint && angle == 0.0) {
        coordinates().init();
        return;
    }
    // Without a point the rotation is about the origin.
    const double x = aroundPoint ? aroundPoint->x() : 0.0;
    const double y = aroundPoint ? aroundPoint->y() : 0.0;
    const double z = aroundPoint ? aroundPoint->z() : 0.0;
    useUserSystem();
    ShiftAxis(-x, -y, -z, isChained);
    RotateAxis(angle, aroundAxis, true);
    ShiftAxis(x, y, z, true);
}

void Commands::ScaleAxis(double xScale, double yScale, double zScale, bool isChained) {
    if (xScale == 1.0 && yScale == 1.0 && zScale == 1.0 && !isChained) {
        coordinates().init();
        return;
    }
    for (const double factor : {xScale, yScale, zScale})
        if (!std::isfinite(factor)) fail(ErrorCodes::INVALID_ARGUMENTS, "Scale has to be a finite number.");
    useUserSystem();
    coordinates().setupScale(xScale, yScale, zScale, isChained);
}

void Commands::ReversePath(bool xReverse, bool yReverse, bool zReverse) {
    if (!xReverse && !yReverse && !zReverse) {
        coordinates().init();
        return;
    }
    useUserSystem();
    coordinates().setupReverse(xReverse, yReverse, zReverse);
}

void Commands::ReflectAxis(bool xReflection, bool yReflection, bool zReflection, bool isChained) {
    ScaleAxis(xReflection ? -1.0 : 1.0, yReflection ? -1.0 : 1.0, zReflection ? -1.0 : 1.0, isChained);
}

void Commands::transformNode(const std::shared_ptr<Node>& node) {
    validate([&](const Error& v) { v.validateObject(node); });
    coordinates().ApplyTransformationToNode(node);
}

void Commands::ApplyTransformationToPoint(const std::shared_ptr<Point>& tmpPoint) {
    validate([&](const Error& v) { v.validateObject(tmpPoint); });
    useUserSystem();
    transformNode(tmpPoint->getNode());
}

void Commands::ApplyTransformationToPath(const std::shared_ptr<vek::Path>& tmpPath) {
    validate([&](const Error& v) { v.validateObject(tmpPath); });
    useUserSystem();
    if (const auto& nodePath = tmpPath->getNodePath()) {
        if (const auto& nodes = nodePath->nodes())
            for (const auto& node : *nodes) transformNode(node);
        coordinates().ApplyTransformationToPath(nodePath);
        nodePath->setDirty(true);
        nodePath->calculateLength(true);
    }
    say("Applied transformation to the path ->" + tmpPath->name());
}

void Commands::ApplyTransformationToDataset(const std::shared_ptr<DataSet>& tmpDataset) {
    validate([&](const Error& v) { v.validateObject(tmpDataset); });
    useUserSystem();
    for (const auto& node : *tmpDataset->nodes()) transformNode(node);
    LinearSlides& s = slides();
    for (const auto& nodePath : *tmpDataset->paths()) ApplyTransformationToPath(s.getPathFromNodePath(nodePath));
    say("Applied transformation to the dataset ->" + tmpDataset->name());
}

void Commands::ApplyTransformation() {
    useUserSystem();
    for (const auto& dataSet : *dataSets().getDataSets()) ApplyTransformationToDataset(dataSet);
    say("Applied transformation to all the position data.");
}

bool Commands::CurrentCoordinateSystem(const std::string& systemName) {
    validate([&](const Error& v) { v.validateCoordinateSystem(systemName); });
    if (equalsIgnoreCase(systemName, "WORLD")) {
        coordinates().setSystem(COORDINATE_SYSTEM::WORLD_SYSTEM);
        return true;
    }
    if (equalsIgnoreCase(systemName, "USER")) {
        useUserSystem();
        return true;
    }
    return false;
}

// ---------------------------------------------------------------- path extents

double Commands::extentOf(const std::shared_ptr<vek::Path>& path, int16_t axis, bool minimum) {
    validate([&](const Error& v) {
        v.validateObject(path);
        v.validateAxis(axis);
    });
    const auto& nodePath = path->getNodePath();
    if (!nodePath || axis > 3) return 0.0;
    int32_t counts = 0;
    switch (axis) {
        case 1: counts = minimum ? nodePath->getMinX() : nodePath->getMaxX(); break;
        case 2: counts = minimum ? nodePath->getMinY() : nodePath->getMaxY(); break;
        default: counts = minimum ? nodePath->getMinZ() : nodePath->getMaxZ(); break;
    }
    return positionToUser(axis, counts);
}

double Commands::MinOfPath(const std::shared_ptr<vek::Path>& path, int16_t axis) {
    return extentOf(path, axis, true);
}

double Commands::MaxOfPath(const std::shared_ptr<vek::Path>& path, int16_t axis) {
    return extentOf(path, axis, false);
}

// ---------------------------------------------------------------- programs and mail

std::string Commands::programPath(const std::string& programName) {
    return joinPath(installSubfolder(InstallSubfolder::programs), programName);
}

void Commands::StartProgram(const std::string& programName) {
    validate([&](const Error& v) { v.validateProgram(programName); });
    programStop_ = false;
    std::string command = "QDX_PROGRAM_START";
    std::string path = programPath(programName);
    advancedCommandsEvent.raise(command, path);
}

void Commands::StopProgram(const std::string& programName) {
    std::string command = "QDX_PROGRAM_STOP";
    std::string path;
    if (programName.empty())
        programStop_ = true;
    else
        path = programPath(programName);
    advancedCommandsEvent.raise(command, path);
}

void Commands::interrupt() {
    StopProgram();
    try {
        StopMotion();
    } catch (const NumberedError&) {
        // No connection, or vek already shut down: nothing moves.
    }
}

void Commands::endInterrupt() {
    programStop_ = false;
    if (const auto slides = provided(sources_.slides)) slides->flags()->stopRequested = false;
}

void Commands::pauseProgram(const std::string& programName, bool pausing) {
    std::string command = "QDX_PROGRAM_PAUSE";
    std::string args = programPath(programName) + (pausing ? ",true" : ",false");
    advancedCommandsEvent.raise(command, args);
}

void Commands::raisePathEvent(const std::string& pathName) {
    std::string name = pathName;
    pathEvent.raise(name);
}

void Commands::runMotorProgramText(int16_t motorIndex, const std::string& programText) {
    validate([&](const Error& v) {
        v.validateAxis(motorIndex);
        v.validateDisallowedWord(programText, "PRINT");
    });
    const auto programs = requireObject(sources_.singleMotorProgram ? sources_.singleMotorProgram() : nullptr);
    // The motor number ends the name, as the build reads it from there.
    const std::string stamp = formatDateTime(eventLoop().clock().wallNow());
    std::string name = "tmp_";
    for (const char c : stamp)
        if (std::isdigit(static_cast<unsigned char>(c))) name += c;
    const std::string file = programPath(name + "_" + toText(motorIndex) + ".smp");
    std::error_code ignored;
    std::filesystem::create_directories(toNativePath(installSubfolder(InstallSubfolder::programs)), ignored);
    writeFile(file, programText);
    const std::string compiled = programs->getDownloadProgramName(file);
    // Neither file outlives the call, whatever ends it.
    struct Cleanup {
        std::string source, compiled;
        ~Cleanup() {
            std::error_code ignored;
            std::filesystem::remove(toNativePath(source), ignored);
            std::filesystem::remove(toNativePath(compiled), ignored);
        }
    } cleanup{file, compiled};
    if (const auto fault = programs->build(file))
        fail(MOTOR_PROGRAM_FAILED, "SingleMotorCode has errors -> " + fault->message() + " at line " +
                                       toText(fault->line()) + " column = " + toText(fault->column()));
    if (!programs->download(motorIndex, file)) fail(MOTOR_PROGRAM_FAILED, "SingleMotorCode failed to download");
    if (!programs->run(motorIndex)) fail(MOTOR_PROGRAM_FAILED, "SingleMotorCode failed to run");
}

void Commands::SendMail(const std::string& smtpServer, const std::string& recipient, const std::string& message) {
    vek::SendMail(smtpServer, recipient, message);
    say("Sending email to ->" + recipient);
}

}  // namespace vek
