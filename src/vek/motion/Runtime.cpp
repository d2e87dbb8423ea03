#include "vek/motion/Runtime.h"

#include <string>
#include <vector>

#include "vek/foundation/Error.h"
#include "vek/foundation/Log.h"
#include "vek/geometry/Coordinates.h"
#include "vek/geometry/Machine.h"
#include "vek/geometry/NodePath.h"
#include "vek/geometry/PathCache.h"
#include "vek/geometry/Point.h"
#include "vek/geometry/Utils.h"
#include "vek/motion/LinearSlides.h"
#include "vek/motors/Calibration.h"
#include "vek/motors/Measurement.h"
#include "vek/motors/SimulationHost.h"
#include "vek/motors/Units.h"
#include "vek/persistence/Configuration.h"
#include "vek/persistence/DataSets.h"
#include "vek/persistence/Database.h"
#include "vek/persistence/MotorData.h"
#include "vek/persistence/SlideData.h"
#include "vek/persistence/User.h"

namespace vek {

namespace {

// Developer detail (log level 6) is for developers and debugging users.
bool wantsDeveloperDetail(const User* user) {
    if (!user) return false;
    const int16_t role = user->userRole();
    return role == UserRoles::DEBUGONLY || role == UserRoles::DEVELOPER;
}

// Points speak the configured user unit; nodes speak encoder counts. Each
// axis converts with the pitch and motor type of its slide record. Without a
// configuration (no database opened yet) the user unit is the motor unit.
double convertPointAxis(int16_t axis, double value, bool toUser) {
    const Runtime& rt = runtime();
    if (!rt.configuration || !rt.measurement) return value;
    int16_t unit = rt.configuration->unit();
    int16_t smu = Units::smu;
    double pitch = 0;
    int16_t motorType = static_cast<int16_t>(NOT_GIVEN);
    const auto motors = rt.configuration->motorsData();
    if (motors && static_cast<std::size_t>(axis) <= motors->count()) {
        if (const auto slide = motors->item(static_cast<std::size_t>(axis))->SlideData()) {
            pitch = slide->pitch();
            motorType = slide->motorType();
        }
    }
    return toUser ? rt.measurement->getPosition(smu, unit, value, pitch, motorType)
                  : rt.measurement->getPosition(unit, smu, value, pitch, motorType);
}

std::vector<DatabaseStep>& databaseSteps() {
    static std::vector<DatabaseStep> steps;
    return steps;
}

std::shared_ptr<const MotorCollection> facadeAxes() {
    const auto& slides = runtime().linearSlides;
    return slides ? slides->motors() : nullptr;
}

}  // namespace

void addDatabaseStep(DatabaseStep step) {
    if (step) databaseSteps().push_back(std::move(step));
}

void runDatabaseSteps(Runtime& rt) {
    for (const auto& step : databaseSteps()) step(rt);
}

Runtime& runtime() {
    static Runtime instance;
    return instance;
}

Runtime::~Runtime() {
    shutDown();
}

void startUp() {
    Runtime& rt = runtime();
    if (rt.started_) return;
    rt.utils = std::make_shared<Utils>();
    rt.user = std::make_shared<User>();
    rt.log = std::make_shared<Log>();
    // Asked for every developer line, dropped or not: a plain pointer, which
    // shutDown() takes back before the user goes.
    rt.log->setDeveloperDetail([user = rt.user.get()] { return wantsDeveloperDetail(user); });
    setProcessLog(rt.log);
    logAt(LogLevel::info, std::string(46, '='));

    resetActiveMachine();
    rt.coordinates = std::make_shared<Coordinates>(true);
    rt.pathCache = std::make_shared<PathCache>();
    rt.pathCache->setWorkingTimeDelta([] {
        const auto& slides = runtime().linearSlides;
        return slides && slides->getPath() ? slides->getPath()->TIMEDELTA() : int16_t{128};
    });
    PathCache::setShared(rt.pathCache);
    rt.measurement = std::make_shared<Measurement>();
    rt.measurement->setConfiguredUnit([] {
        const auto& configuration = runtime().configuration;
        return configuration ? configuration->unit() : static_cast<int16_t>(Units::smu);
    });
    Point::setUnitConversion(convertPointAxis);
    rt.calibration = std::make_shared<Calibration>(
        Calibration::Sources{facadeAxes, [] { return runtime().configuration; }}, rt.measurement);
    rt.error = std::make_shared<Error>();
    rt.error->setAxisCount([] {
        const auto axes = facadeAxes();
        return axes ? static_cast<int16_t>(axes->count()) : int16_t{0};
    });
    rt.linearSlides = std::make_shared<LinearSlides>();
    rt.started_ = true;
}

void shutDown() {
    Runtime& rt = runtime();
    // Reverse order of creation; the log goes late so that the others can
    // log their termination, and the user object outlives it because the log
    // asks for the current role while writing its last entry.
    // Moving simulated motors hold the timer and their channel: let go first.
    simulationHost().reset();
    rt.ioData.reset();
    rt.hmi.reset();
    rt.dataSets.reset();
    rt.configuration.reset();
    rt.database.reset();
    if (rt.linearSlides) rt.linearSlides->retire();
    rt.linearSlides.reset();
    rt.error.reset();
    rt.calibration.reset();
    Point::setUnitConversion(nullptr);
    rt.measurement.reset();
    PathCache::setShared(nullptr);
    rt.pathCache.reset();
    rt.coordinates.reset();
    resetActiveMachine();
    // A host may hold the log beyond this point; it no longer asks the user.
    if (rt.log) rt.log->setDeveloperDetail(nullptr);
    rt.log.reset();
    setProcessLog(nullptr);
    rt.user.reset();
    rt.utils.reset();
    rt.started_ = false;
}

}  // namespace vek
