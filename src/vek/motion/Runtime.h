#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "vek/foundation/Collection.h"

namespace vek {

class Utils;
class User;
class Log;
class Error;
class Coordinates;
class PathCache;
class Measurement;
class Ethernet;
class ProgramData;
class Calibration;
class SingleMotorProgram;
class Commands;
class DevCommands;
class DataImporter;
class Excel;
class LinearSlides;
class Database;
class Configuration;
class DataSets;
class Hmi;
class Vision;
class Serial;
class External;
class IIOData;
class IMotor;

// The one place that holds the process-wide objects and flags. Lower layers
// reach upper ones through it (the log reads the current user's role, the
// validator counts the façade's motors) without including their headers.
//
// Objects are created by startUp() in their fixed order, or later by the
// façade's database step; a pointer is null until its object exists.
class Runtime {
public:
    Runtime() = default;
    // At process exit the objects are released in shutDown() order while
    // every member is still alive: member-wise destruction would release
    // the façade after the motor registry it touches.
    ~Runtime();
    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;

    // Process-wide flags, all false at start-up.
    bool stopRequested = false;
    bool isPaused = false;
    bool isSimulation = false;
    bool isSimulationMute = false;

    std::shared_ptr<Utils> utils;
    std::shared_ptr<User> user;
    std::shared_ptr<Log> log;
    std::shared_ptr<Coordinates> coordinates;
    std::shared_ptr<PathCache> pathCache;
    std::shared_ptr<Measurement> measurement;
    std::shared_ptr<Ethernet> ethernet;
    std::shared_ptr<ProgramData> programData;
    std::shared_ptr<Calibration> calibration;
    std::shared_ptr<SingleMotorProgram> singleMotorProgram;
    std::shared_ptr<Commands> commands;
    std::shared_ptr<DevCommands> devCommands;
    std::shared_ptr<Error> error;
    std::shared_ptr<DataImporter> dataImporter;
    std::shared_ptr<Excel> excel;
    std::shared_ptr<LinearSlides> linearSlides;

    std::shared_ptr<Database> database;
    std::shared_ptr<Configuration> configuration;
    std::shared_ptr<DataSets> dataSets;
    std::shared_ptr<Hmi> hmi;
    std::shared_ptr<Vision> vision;
    std::shared_ptr<Serial> serial;
    std::shared_ptr<External> external;
    std::shared_ptr<IIOData> ioData;

    // The façade's axis motors in axis order (keys "1".."8"), registered by
    // the façade when it opens a connection; null before. The all-motors
    // object iterates these.
    std::shared_ptr<Collection<std::shared_ptr<IMotor>>> motors;
    // The façade's getMotorDefaultName, registered with it; without it a
    // motor is named "Motor" + its number, as with no motors connected.
    std::function<std::string(int32_t)> motorDefaultName;
    // Set by the façade: gives live motor `motor` the stored axis name and
    // makes it determine its type afresh (Configuration::saveData).
    std::function<void(int16_t motor, const std::string& name)> renameMotor;

    // Number of motors in the façade's collection; 0 without a façade.
    int16_t motorCount() const;

    bool isStarted() const { return started_; }

    // Pitch ratios of the axes, indices 0..8: what one motor unit of axis i
    // measures relative to axis 1, so that lengths of axes 1..3 can be added.
    // Nodes and trajectory generation read them here because geometry sits
    // below the façade; the façade writes them (setPitchRatios) when it loads
    // its slides. Index 0 is 0.0, 1..8 start at 1.0; outside 0..8 raises 9.
    double pitchRatio(int16_t axis) const;
    void setPitchRatio(int16_t axis, double ratio);

private:
    friend void startUp();
    friend void shutDown();
    bool started_ = false;
    std::array<double, 9> pitchRatios_{0.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0};
};

Runtime& runtime();

// Creates the process-wide objects in their fixed order (once; later calls do
// nothing until shutDown()).
void startUp();
// Releases them in reverse order so that a test can start again.
void shutDown();

// Logs through the process log when it exists; quiet otherwise. The shared
// entry point for every class that logs.
void logMessage(const std::string& message, int16_t level = 1, int16_t source = -1,
                const std::string& code = "Unknown");
// Whether a message of `level` would be logged now (false without a log).
bool doLogMessage(int16_t level);

}  // namespace vek
