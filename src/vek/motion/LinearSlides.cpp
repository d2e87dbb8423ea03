#include "vek/motion/LinearSlides.h"

#include <algorithm>
#include <cstdlib>

#include "vek/comm/Communication.h"
#include "vek/comm/CommunicationSimulation.h"
#include "vek/comm/ICommunication.h"
#include "vek/comm/engine/MotorEngine.h"
#include "vek/foundation/Convert.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/InstallFolder.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NumberedError.h"
#include "vek/geometry/Node.h"
#include "vek/geometry/Path.h"
#include "vek/geometry/PathCache.h"
#include "vek/geometry/Point.h"
#include "vek/motion/IMotion.h"
#include "vek/motion/Motion.h"
#include "vek/motion/MotionSimulation.h"
#include "vek/motion/Runtime.h"
#include "vek/motors/Diagnostics.h"
#include "vek/motors/IMotor.h"
#include "vek/motors/Motor.h"
#include "vek/motors/MotorConstants.h"
#include "vek/motors/MotorSimulation.h"
#include "vek/motors/SimulatedChain.h"
#include "vek/persistence/Configuration.h"
#include "vek/persistence/DataSets.h"
#include "vek/persistence/Database.h"
#include "vek/persistence/SlideData.h"
#include "vek/persistence/User.h"

namespace vek {

namespace {

// Two motor positions closer than this count as the same point.
constexpr int64_t SAME_POINT_COUNTS = 20;

// Division as the host language did it: x/0 is "Division by zero", 0/0 an
// overflow, rather than an infinity that would poison every node.
double divide(double numerator, double denominator) {
    if (denominator == 0.0) {
        throw NumberedError::platform(numerator == 0.0 ? PlatformErrors::OVERFLOW_ERROR
                                                       : PlatformErrors::DIVISION_BY_ZERO);
    }
    return numerator / denominator;
}

std::string boolText(bool value) {
    return value ? "True" : "False";
}

}  // namespace

LinearSlides::LinearSlides() {
    logAt(LogLevel::DEVELOPER, "Initializing vek.LinearSlides");
    diagnostics_ = std::make_unique<Diagnostics>();
    diagnostics_->setOwner(
        [this](int32_t baudRate, const std::string& portName) { openConnection(baudRate, portName); },
        [this] { return std::shared_ptr<const MotorCollection>(motors_); });
}

LinearSlides::~LinearSlides() {
    logAt(LogLevel::DEVELOPER, "Terminating vek.LinearSlides");
    closeConnection(9600);
}

void LinearSlides::retire() {
    closeConnection(9600);
    retired_ = true;
}

void LinearSlides::requireLive() const {
    if (retired_) raiseShutDown();
}

void LinearSlides::requireConnection() const {
    requireLive();
    if (!comm_ || !comm_->isOpen() || motors_->count() == 0)
        throw NumberedError(ErrorCodes::NO_MOTORS_DETECTED, "No connection is open.");
}

Machine LinearSlides::machine() const {
    Machine m = activeMachine();
    m.axisCount = connected_;
    m.axes = {};
    m.unit = 0;
    if (const auto& configuration = runtime().configuration) {
        const auto records = configuration->motorsData();
        for (std::size_t i = 1; i <= records->count() && i <= static_cast<std::size_t>(MAX_MOTORS); ++i) {
            const auto& record = *records->item(i);
            AxisSettings& axis = m.axes[i - 1];
            axis.name = record.name();
            axis.negativeHomingOffset = record.negativeHomingOffset();
            axis.positiveHomingOffset = record.positiveHomingOffset();
            if (const auto slide = record.SlideData()) {
                axis.slideModel = slide->model();
                axis.pitch = slide->pitch();
                axis.stroke = slide->stroke();
                axis.motorType = slide->motorType();
            }
        }
        try {
            m.unit = configuration->unit();
        } catch (const NumberedError&) {
            // A file without a readable unit shows motor units.
        }
    }
    return m;
}

void LinearSlides::publishMachine() {
    setActiveMachine(machine());
}

void LinearSlides::setPitchRatios(double xPitch, double yPitch, double zPitch) {
    requireLive();
    const double pitches[3] = {xPitch, yPitch, zPitch};
    Machine m = activeMachine();
    for (int16_t i = 1; i <= 3; ++i) {
        m.setPitchRatio(i, divide(pitches[i - 1], xPitch));
        logAt(LogLevel::DEVELOPER,
              [&] { return "PitchRatio for " + getMotorDefaultName(i) + " is " + toText(m.pitchRatio(i)); });
    }
    setActiveMachine(m);
}

double LinearSlides::getPitchRatio(int16_t motorIndex) const {
    return activeMachine().pitchRatio(motorIndex);
}

MotorContext LinearSlides::motorContext(int32_t id) const {
    return MotorContext{getMotorDefaultName(id), runtime().configuration, motors_, flags_};
}

void LinearSlides::renameAxis(int16_t axis, const std::string& name) {
    if (axis < 1 || static_cast<std::size_t>(axis) > motors_->count()) return;
    auto& motor = motors_->item(axis);
    motor->setName(name);
    motor->setMotorType(static_cast<int16_t>(NOT_GIVEN));
}

void LinearSlides::openConnection(int32_t baudRate, const std::string& portName) {
    requireLive();
    try {
        closeConnection();
        motors_ = std::make_shared<MotorCollection>();
        connected_ = 0;
        openChannel(baudRate, portName);
        publishMachine();
    } catch (const NumberedError& e) {
        throw NumberedError(ErrorCodes::OPEN_CONNECTION_FAILED, e.description(), e.source(), e.helpFile(),
                            e.helpContext());
    } catch (const std::exception& e) {
        throw NumberedError(ErrorCodes::OPEN_CONNECTION_FAILED, e.what());
    }
}

void LinearSlides::openChannel(int32_t baudRate, const std::string& portName) {
    if (isSimulation_) {
        comm_ = std::make_shared<CommunicationSimulation>(
            std::make_shared<SimulatedChain>(motors_, runtime().configuration));
        motion_ = std::make_shared<MotionSimulation>();
    } else {
        // Developers get the engine's traffic beside the library's own log.
        const auto& user = runtime().user;
        const bool developer = user && user->userRole() == UserRoles::DEVELOPER;
        comm_ = std::make_shared<Communication>(
            developer ? joinPath(installSubfolder(InstallSubfolder::logs), "mlogs.txt") : std::string());
        motion_ = std::make_shared<Motion>();
    }
    path_ = std::make_shared<NodePath>();
    auto engine = comm_->getObject();
    path_->init(engine);

    comm_->OpenPort(portName, baudRate);
    // The chain holds at most eight axes, whatever the channel reports.
    const int16_t n = std::min<int16_t>(comm_->initMotors(MAX_MOTORS), MAX_MOTORS);
    if (n <= 0) return;
    connected_ = n;
    const auto makeMotor = [this]() -> std::shared_ptr<IMotor> {
        if (isSimulation_) return std::make_shared<MotorSimulation>();
        return std::make_shared<Motor>();
    };
    allMotors_ = makeMotor();
    allMotors_->init(0, comm_, 4000, motorContext(0));
    allMotors_->Reset();
    motion_->init(comm_, MotionContext{motors_, allMotors_, flags_, [this] { return coordinatedMotionBaudRate_; }});
    path_->setTIMEDELTA(n < 4 ? 128 : (n <= 6 ? 256 : 512));
    for (int16_t i = 1; i <= n; ++i) {
        auto motor = makeMotor();
        motor->init(i, comm_, 4000, motorContext(i));
        motors_->add(motor, toText(i));
    }
}

std::string LinearSlides::getMotorDefaultName(int32_t Index) const {
    if (connected_ >= 1 && connected_ <= 3) {
        switch (Index) {
            case 0: return "MotorAll";
            case 1: return "MotorX";
            case 2: return "MotorY";
            case 3: return "MotorZ";
            default: return {};
        }
    }
    return "Motor" + toText(Index);
}

std::string LinearSlides::getAxisDefaultName(int32_t Index) const {
    if (connected_ >= 1 && connected_ <= 3) {
        switch (Index) {
            case 1: return "X";
            case 2: return "Y";
            case 3: return "Z";
            default: return {};
        }
    }
    return "X" + toText(Index);
}

bool LinearSlides::RunDiagnostics() {
    static const char* const kTries[3] = {"Running diagnostics first time...", "Running diagnostics second time...",
                                          "Running diagnostics third time..."};
    logAt(LogLevel::DEVELOPER, "#################START#############", LogSource::DLL_SOURCE);
    bool result = false;
    try {
        requireLive();
        for (const char* text : kTries) {
            logAt(LogLevel::info, text);
            if (!comm_) throw NumberedError(ErrorCodes::NO_MOTORS_DETECTED, "No connection is open.");
            result = diagnostics_->runDiagnostics(comm_->baudRate(), comm_->portName());
            if (result) break;
        }
        if (!result) {
            logAt(LogLevel::Error, "Auto Diagnostics failed to fix the problem after 3 tries!", LogSource::DLL_SOURCE);
        }
    } catch (const std::exception& e) {
        logAt(LogLevel::WARNING, std::string("Can't run diagnostics ->") + e.what());
        return false;
    }
    return result;
}

void LinearSlides::stopMotors(bool decelerate) {
    requireLive();
    flags_->stopRequested = true;
    if (allMotors_) allMotors_->StopMotion(decelerate);
}

void LinearSlides::PauseMotion(bool tmpIsPaused) {
    if (tmpIsPaused == flags_->isPaused) return;
    flags_->isPaused = tmpIsPaused;
    logAt(LogLevel::WARNING, tmpIsPaused ? "Pausing..." : "Resuming...");
}

void LinearSlides::setIsSimulation(bool value) {
    isSimulation_ = value;
}

bool LinearSlides::getIsSimulation() const {
    return isSimulation_;
}

void LinearSlides::setIsSimulationMute(bool value) {
    flags_->isSimulationMute = value;
}

std::shared_ptr<Node> LinearSlides::getCurrentPoint() {
    requireConnection();
    auto node = std::make_shared<Node>();
    node->setName("CURRENT_POINT");
    const int16_t count = static_cast<int16_t>(motors_->count());
    for (int16_t i = 1; i <= count; ++i) {
        const int32_t position = motors_->item(i)->position();
        node->setAxis(i, position);
        node->setSystemAxis(i, position);
    }
    return node;
}

bool LinearSlides::differs(const Node& a, const Node& b) const {
    const bool developer = logs(LogLevel::DEVELOPER);
    bool any = false;
    const int16_t count = static_cast<int16_t>(motors_->count());
    for (int16_t i = 1; i <= count; ++i) {
        const int64_t diff = std::llabs(static_cast<int64_t>(a.systemAxis(i)) - b.systemAxis(i));
        if (developer) logAt(LogLevel::DEVELOPER, "Diff for axis " + toText(i) + " is = " + toText(diff));
        if (diff > SAME_POINT_COUNTS) any = true;
    }
    return any;
}

void LinearSlides::drawLine(const std::shared_ptr<Node>& toNode, const std::shared_ptr<Node>& fromNode, double maxSpeed,
                            double acceleration, bool slowToEnd) {
    try {
        if (!toNode) raiseInvalidArgument("drawLine needs a node to move to.");
        requireConnection();
        if (logs(LogLevel::DEVELOPER)) {
            logAt(LogLevel::DEVELOPER, "drawLine : toNode = " + toNode->toString() + " maxSpeed = " + toText(maxSpeed) +
                                           ", acceleration= " + toText(acceleration) +
                                           ",slowToEnd = " + boolText(slowToEnd));
        }
        auto from = fromNode ? fromNode : getCurrentPoint();
        if (!differs(*from, *toNode)) {
            logAt(LogLevel::WARNING, "Attempt to draw line with both end points being same!");
            return;
        }
        if (!path_ || !motion_) throw NumberedError(ErrorCodes::NO_MOTORS_DETECTED, "No connection is open.");
        const TimeArray times = path_->generateLinePath(*from, *toNode, maxSpeed, acceleration, slowToEnd);
        motion_->runPath(*path_, times, 0.0);
    } catch (...) {
        restoreBaudRate();
        throw;
    }
}

void LinearSlides::drawPath(const std::shared_ptr<NodePath>& tmpNodePath, double maxSpeed, double acceleration,
                            bool slowToEnd, double cornerRadius, double eventTriggerPercentage) {
    if (!tmpNodePath || !tmpNodePath->nodes() || tmpNodePath->nodes()->count() < 2) {
        logAt(LogLevel::WARNING, "Can't run path with nodes < 2");
        return;
    }
    try {
        auto current = getCurrentPoint();
        std::shared_ptr<Node> start;
        if (tmpNodePath->pathType() == PathConstants::LINEAR_PATH) {
            start = tmpNodePath->nodes()->item(1);
        } else if (tmpNodePath->pathType() == PathConstants::ARC_PATH) {
            start = tmpNodePath->getNodeByName("start");
        }
        if (!start) {
            raiseInvalidArgument("Path " + tmpNodePath->name() + " of type " + toText(tmpNodePath->pathType()) +
                                 " has no start point to draw from.");
        }
        if (differs(*current, *start)) {
            logAt(LogLevel::DEVELOPER, "Not at the starting point, moving there...");
            drawLine(start, current, maxSpeed, acceleration, true);
        }
        if (!path_ || !motion_) throw NumberedError(ErrorCodes::NO_MOTORS_DETECTED, "No connection is open.");
        const TimeArray times = path_->generatePath(tmpNodePath, maxSpeed, acceleration, slowToEnd, cornerRadius);
        path_->setName(tmpNodePath->name());
        motion_->runPath(*path_, times, eventTriggerPercentage);
    } catch (...) {
        restoreBaudRate();
        throw;
    }
}

void LinearSlides::restoreBaudRate() {
    // The chain must not be left at the coordinated-motion rate.
    try {
        if (comm_) comm_->setBaudRate(9600);
    } catch (...) {
    }
}

void LinearSlides::removeAllCache() {
    if (PathCache* cache = PathCache::shared()) cache->removeCache();
}

void LinearSlides::closeConnection(int32_t newBaudRate) {
    try {
        if (allMotors_) allMotors_->Reset();
    } catch (...) {
    }
    allMotors_.reset();
    if (motors_->count() > 0) motors_ = std::make_shared<MotorCollection>();
    if (connected_ != 0) {
        connected_ = 0;
        publishMachine();
    }
    if (!comm_) return;
    try {
        if (newBaudRate != NOT_GIVEN) comm_->setBaudRate(newBaudRate);
        comm_->ClosePort();
    } catch (...) {
    }
}

int16_t LinearSlides::getGZPresent() {
    return IMotion::dravoCount(*motors_);
}

int32_t LinearSlides::currentBaudRate() {
    requireLive();
    if (!comm_) throw NumberedError(ErrorCodes::NO_MOTORS_DETECTED, "No connection is open.");
    return comm_->baudRate();
}

void LinearSlides::databaseRelatedInit(const std::string& databaseFile) {
    requireLive();
    logAt(LogLevel::info, "Loading " + databaseFile + " database.");
    Runtime& rt = runtime();
    releaseDatabaseParts();
    rt.dataSets.reset();
    rt.configuration.reset();
    rt.database = std::make_shared<Database>();
    rt.database->openDatabase(trim(databaseFile));
    rt.database->checkVersion();

    rt.configuration = std::make_shared<Configuration>(rt.database);
    rt.configuration->setAxisRenamed(
        [self = std::weak_ptr<LinearSlides*>(self_)](int16_t axis, const std::string& name) {
            if (const auto slides = self.lock()) (*slides)->renameAxis(axis, name);
        });
    rt.user->setDatabase(rt.database);
    loadPitchRatios();
    publishMachine();

    rt.dataSets = std::make_shared<DataSets>(rt.database);
    // The panel, vision, the plain serial port, the load cell and the
    // external I/O, as far as their folders registered them.
    makeDatabaseParts();
    logAt(LogLevel::info, "Database " + databaseFile + " loaded successfully.");
}

void LinearSlides::loadPitchRatios() {
    // An upgraded file can leave axes without a slide model (the upgrade
    // renumbers the built-in models); such an axis counts as pitched like
    // X, and without an X pitch every ratio stays 1 rather than failing the
    // whole load on a division by zero.
    double pitch[3] = {0.0, 0.0, 0.0};
    const auto records = runtime().configuration->motorsData();
    for (int16_t i = 1; i <= 3 && static_cast<std::size_t>(i) <= records->count(); ++i) {
        auto slide = records->item(i)->SlideData();
        pitch[i - 1] = slide ? slide->pitch() : 0.0;
    }
    if (pitch[0] <= 0.0) {
        logAt(LogLevel::WARNING,
              "Axis " + getAxisDefaultName(1) + " has no slide model with a pitch; pitch ratios stay 1.");
        // Whatever an earlier load gave them.
        setPitchRatios(1.0, 1.0, 1.0);
        return;
    }
    for (double& p : pitch) {
        if (p <= 0.0) p = pitch[0];
    }
    setPitchRatios(pitch[0], pitch[1], pitch[2]);
}

std::string LinearSlides::preInitializeConfigGet(const std::string& db, const std::string& key) {
    Database database;
    database.openDatabase(trim(db));
    return database.preInitializeConfigGet(key);
}

void LinearSlides::preInitializeConfigSet(const std::string& db, const std::string& key, const std::string& value) {
    Database database;
    database.openDatabase(trim(db));
    database.preInitializeConfigSet(key, value);
}

std::shared_ptr<Point> LinearSlides::getPointFromNode(const std::shared_ptr<Node>& tmpNode) {
    auto point = std::make_shared<Point>();
    point->setNode(tmpNode);
    return point;
}

std::shared_ptr<Path> LinearSlides::getPathFromNodePath(const std::shared_ptr<NodePath>& tmpNodePath) {
    auto path = std::make_shared<Path>();
    path->setNodePath(tmpNodePath);
    return path;
}

}  // namespace vek
