#include "vek/motion/Runtime.h"

#include "vek/foundation/Error.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NumberedError.h"
#include "vek/foundation/Utils.h"
#include "vek/geometry/Coordinates.h"
#include "vek/geometry/PathCache.h"
#include "vek/motion/LinearSlides.h"
#include "vek/motors/Calibration.h"
#include "vek/motors/Measurement.h"
#include "vek/motors/SimulationHost.h"
#include "vek/persistence/User.h"

namespace vek {

Runtime& runtime() {
    static Runtime instance;
    return instance;
}

Runtime::~Runtime() {
    shutDown();
}

int16_t Runtime::motorCount() const {
    // The façade registers its motors here once it exists.
    return motors ? static_cast<int16_t>(motors->count()) : 0;
}

double Runtime::pitchRatio(int16_t axis) const {
    if (axis < 0 || axis > 8) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
    return pitchRatios_[static_cast<std::size_t>(axis)];
}

void Runtime::setPitchRatio(int16_t axis, double ratio) {
    if (axis < 0 || axis > 8) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
    pitchRatios_[static_cast<std::size_t>(axis)] = ratio;
}

void startUp() {
    Runtime& rt = runtime();
    if (rt.started_) return;
    rt.stopRequested = false;
    rt.isPaused = false;
    rt.isSimulation = false;
    rt.isSimulationMute = false;
    rt.utils = std::make_shared<Utils>();
    rt.user = std::make_shared<User>();
    rt.log = std::make_shared<Log>();
    rt.log->LogMessage(std::string(46, '='), -1, "Unknown", 1);
    rt.coordinates = std::make_shared<Coordinates>();
    rt.pathCache = std::make_shared<PathCache>();
    rt.measurement = std::make_shared<Measurement>();
    rt.calibration = std::make_shared<Calibration>();
    rt.error = std::make_shared<Error>();
    rt.linearSlides = std::make_shared<LinearSlides>();
    rt.started_ = true;
}

void shutDown() {
    Runtime& rt = runtime();
    // Reverse order of creation; the log goes late so that the others can
    // log their termination, and the user object outlives it because the log
    // reads the current role while writing its last entry.
    // Moving simulated motors hold the timer and their channel: let go first.
    simulationHost().reset();
    rt.ioData.reset();
    rt.external.reset();
    rt.serial.reset();
    rt.vision.reset();
    rt.hmi.reset();
    rt.dataSets.reset();
    rt.configuration.reset();
    rt.database.reset();
    rt.linearSlides.reset();
    rt.motors.reset();
    rt.motorDefaultName = nullptr;
    rt.excel.reset();
    rt.dataImporter.reset();
    rt.error.reset();
    rt.devCommands.reset();
    rt.commands.reset();
    rt.singleMotorProgram.reset();
    rt.calibration.reset();
    rt.programData.reset();
    rt.ethernet.reset();
    rt.measurement.reset();
    rt.pathCache.reset();
    rt.coordinates.reset();
    rt.log.reset();
    rt.user.reset();
    rt.utils.reset();
    rt.renameMotor = nullptr;
    rt.stopRequested = rt.isPaused = rt.isSimulation = rt.isSimulationMute = false;
    rt.pitchRatios_ = {0.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0};
    rt.started_ = false;
}

void logMessage(const std::string& message, int16_t level, int16_t source, const std::string& code) {
    if (auto& log = runtime().log) log->LogMessage(message, source, code, level);
}

bool doLogMessage(int16_t level) {
    auto& log = runtime().log;
    return log && log->doLogMessage(level);
}

}  // namespace vek
