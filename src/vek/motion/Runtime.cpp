#include "vek/motion/Runtime.h"

#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "vek/comm/Serial.h"
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

std::shared_ptr<const MotorCollection> facadeAxes() {
    const auto& slides = runtime().linearSlides;
    return slides ? slides->motors() : nullptr;
}

// One row of start-up: what it makes and what shut-down undoes. `create`
// answers whether it made an object (a place nobody registered makes none).
struct Step {
    const char* name;
    std::function<bool(Runtime&)> create;
    std::function<void(Runtime&)> release;
};

// Never destroyed: shut-down at process exit still reads them.
std::map<int32_t, StartUpPart>& registeredParts() {
    static auto* parts = new std::map<int32_t, StartUpPart>();
    return *parts;
}

std::map<int32_t, StartUpPart>& databaseParts() {
    static auto* parts = new std::map<int32_t, StartUpPart>();
    return *parts;
}

const StartUpPart* registeredPart(StartUpPlace::Value place) {
    const auto& parts = registeredParts();
    const auto found = parts.find(place);
    return found == parts.end() ? nullptr : &found->second;
}

// The names of the database-time objects, by place.
const char* databasePartName(int32_t place) {
    static const char* const names[] = {"Hmi", "Vision", "Serial", "External", "IOData"};
    return place >= 0 && place < static_cast<int32_t>(std::size(names)) ? names[place] : "?";
}

// The plain serial port for instruments belongs to comm, below motion, and
// joins the database step at its place like the objects above motion do.
const bool serialPortRegistered = [] {
    registerDatabasePart(DatabasePlace::SERIAL_PORT,
                         {[] { runtime().serial = std::make_shared<Serial>(); }, [] { runtime().serial.reset(); }});
    return true;
}();

Step registered(const char* name, StartUpPlace::Value place) {
    return {name,
            [place](Runtime&) {
                const StartUpPart* part = registeredPart(place);
                if (!part || !part->create) return false;
                part->create();
                return true;
            },
            [place](Runtime&) {
                const StartUpPart* part = registeredPart(place);
                if (part && part->release) part->release();
            }};
}

// The process-wide objects in the order start-up makes them. The log comes
// third so that every later constructor can log; the façade comes last.
const std::vector<Step>& steps() {
    static const auto* table = new std::vector<Step>{
        {"Utils",
         [](Runtime& rt) {
             rt.utils = std::make_shared<Utils>();
             return true;
         },
         [](Runtime& rt) { rt.utils.reset(); }},
        {"User",
         [](Runtime& rt) {
             rt.user = std::make_shared<User>();
             return true;
         },
         [](Runtime& rt) { rt.user.reset(); }},
        {"Log",
         [](Runtime& rt) {
             rt.log = std::make_shared<Log>();
             // Asked for every developer line, dropped or not: a plain
             // pointer, which shut-down takes back before the user goes.
             rt.log->setDeveloperDetail([user = rt.user.get()] { return wantsDeveloperDetail(user); });
             setProcessLog(rt.log);
             logAt(LogLevel::info, std::string(46, '='));
             return true;
         },
         [](Runtime& rt) {
             // A host may hold the log beyond this point; it no longer asks
             // the user.
             if (rt.log) rt.log->setDeveloperDetail(nullptr);
             rt.log.reset();
             setProcessLog(nullptr);
         }},
        {"Coordinates",
         [](Runtime& rt) {
             resetActiveMachine();
             rt.coordinates = std::make_shared<Coordinates>(true);
             return true;
         },
         [](Runtime& rt) {
             rt.coordinates.reset();
             resetActiveMachine();
         }},
        {"PathCache",
         [](Runtime& rt) {
             rt.pathCache = std::make_shared<PathCache>();
             rt.pathCache->setWorkingTimeDelta([] {
                 const auto& slides = runtime().linearSlides;
                 return slides && slides->getPath() ? slides->getPath()->TIMEDELTA() : int16_t{128};
             });
             PathCache::setShared(rt.pathCache);
             return true;
         },
         [](Runtime& rt) {
             PathCache::setShared(nullptr);
             rt.pathCache.reset();
         }},
        {"Measurement",
         [](Runtime& rt) {
             rt.measurement = std::make_shared<Measurement>();
             rt.measurement->setConfiguredUnit([] {
                 const auto& configuration = runtime().configuration;
                 return configuration ? configuration->unit() : static_cast<int16_t>(Units::smu);
             });
             Point::setUnitConversion(convertPointAxis);
             return true;
         },
         [](Runtime& rt) {
             Point::setUnitConversion(nullptr);
             rt.measurement.reset();
         }},
        // Ethernet joins here when the Ethernet channel lands.
        registered("ProgramData", StartUpPlace::PROGRAM_DATA),
        {"Calibration",
         [](Runtime& rt) {
             rt.calibration = std::make_shared<Calibration>(
                 Calibration::Sources{facadeAxes, [] { return runtime().configuration; }}, rt.measurement);
             return true;
         },
         [](Runtime& rt) { rt.calibration.reset(); }},
        registered("SingleMotorProgram", StartUpPlace::SINGLE_MOTOR_PROGRAM),
        registered("Commands", StartUpPlace::COMMANDS),
        registered("DevCommands", StartUpPlace::DEV_COMMANDS),
        {"Error",
         [](Runtime& rt) {
             rt.error = std::make_shared<Error>();
             rt.error->setAxisCount([] {
                 const auto axes = facadeAxes();
                 return axes ? static_cast<int16_t>(axes->count()) : int16_t{0};
             });
             return true;
         },
         [](Runtime& rt) { rt.error.reset(); }},
        registered("DataImporter", StartUpPlace::DATA_IMPORTER),
        registered("Excel", StartUpPlace::EXCEL),
        {"LinearSlides",
         [](Runtime& rt) {
             rt.linearSlides = std::make_shared<LinearSlides>();
             return true;
         },
         [](Runtime& rt) {
             if (rt.linearSlides) rt.linearSlides->retire();
             rt.linearSlides.reset();
         }},
    };
    return *table;
}

}  // namespace

void registerStartUpPart(StartUpPlace::Value place, StartUpPart part) {
    registeredParts()[place] = std::move(part);
}

void registerDatabasePart(DatabasePlace::Value place, StartUpPart part) {
    databaseParts()[place] = std::move(part);
}

void makeDatabaseParts() {
    Runtime& rt = runtime();
    releaseDatabaseParts();
    for (const auto& [place, part] : databaseParts()) {
        if (!part.create) continue;
        part.create();
        rt.databaseMade_.emplace_back(databasePartName(place));
    }
}

void releaseDatabaseParts() {
    Runtime& rt = runtime();
    const auto& parts = databaseParts();
    for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
        if (it->second.release) it->second.release();
    }
    rt.databaseMade_.clear();
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
    rt.made_.clear();
    for (const Step& step : steps()) {
        if (step.create(rt)) rt.made_.emplace_back(step.name);
    }
    rt.started_ = true;
}

void shutDown() {
    Runtime& rt = runtime();
    // Moving simulated motors hold the timer and their channel: let go first.
    simulationHost().reset();
    // The database step's objects, then start-up's in reverse order: the log
    // goes late so that the others can log their termination, and the user
    // outlives it because the log asks for the current role while writing
    // its last entry.
    releaseDatabaseParts();
    rt.dataSets.reset();
    rt.configuration.reset();
    rt.database.reset();
    for (auto name = rt.made_.rbegin(); name != rt.made_.rend(); ++name) {
        for (const Step& step : steps()) {
            if (*name == step.name) step.release(rt);
        }
    }
    rt.made_.clear();
    rt.started_ = false;
}

}  // namespace vek
