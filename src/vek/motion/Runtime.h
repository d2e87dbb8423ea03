#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vek {

class Utils;
class User;
class Log;
class Error;
class Coordinates;
class PathCache;
class Measurement;
class Calibration;
class LinearSlides;
class Database;
class Configuration;
class DataSets;
class Commands;
class DevCommands;
class Ethernet;
class ProgramData;
class SingleMotorProgram;
class DataImporter;
class Excel;
class Hmi;
class Vision;
class Serial;
class External;
class IIOData;

// The process-wide objects, as the composition root made them. Only the
// composition root reads this: start-up, Server, the façade, and the layers
// above motion. Everything below is handed what it needs when it is built
// (see src/vek/LAYERS.md).
//
// startUp() creates the first group in its fixed order; the façade's
// database step creates the second. A pointer is null until its object
// exists, and again after shutDown().
class Runtime {
public:
    Runtime() = default;
    // At process exit the objects are released in shutDown() order while
    // every member is still alive: member-wise destruction would release
    // the façade after the objects it still uses.
    ~Runtime();
    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;

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
    // IOData, or the simulated I/O when "softwareMotors" is positive.
    std::shared_ptr<IIOData> ioData;

    bool isStarted() const { return started_; }
    // The class names of the objects start-up made, in the order it made
    // them ("Utils", "User", "Log", "Coordinates", ...); empty after
    // shutDown(). Shut-down releases them in the reverse order.
    const std::vector<std::string>& startUpOrder() const { return made_; }
    // Likewise for the objects the façade's database step made after the
    // datasets ("Hmi", "Vision", ...); empty until it ran.
    const std::vector<std::string>& databaseOrder() const { return databaseMade_; }

private:
    friend void startUp();
    friend void shutDown();
    friend void makeDatabaseParts();
    friend void releaseDatabaseParts();
    bool started_ = false;
    std::vector<std::string> made_;
    std::vector<std::string> databaseMade_;
};

// Places in start-up of the process-wide objects that the layers above
// motion (programs, peripherals, commands) own. Motion cannot include their
// headers, so the folder holding such an object registers, from a static
// initializer of its composition file, what start-up does at the object's
// place and what shut-down undoes (see src/vek/LAYERS.md). A place nobody
// registered is passed over.
namespace StartUpPlace {
enum Value : int32_t {
    PROGRAM_DATA,
    SINGLE_MOTOR_PROGRAM,
    COMMANDS,
    DEV_COMMANDS,
    DATA_IMPORTER,
    EXCEL,
};
}  // namespace StartUpPlace

struct StartUpPart {
    // Makes the object and puts it into runtime().
    std::function<void()> create;
    // Takes it out again.
    std::function<void()> release;
};

// Registers (or replaces) the part at `place`; it takes effect at the next
// startUp().
void registerStartUpPart(StartUpPlace::Value place, StartUpPart part);

// Places, in order, of the objects the façade's database step makes after
// the configuration and the datasets. Their folders register them the same
// way; the plain serial port belongs to comm, below motion, and motion
// registers it itself.
namespace DatabasePlace {
enum Value : int32_t {
    HMI,
    VISION,
    SERIAL_PORT,
    LOAD_CELL,
    IO_DATA,
};
}  // namespace DatabasePlace

// Registers (or replaces) the part at `place`; it takes effect at the next
// database step.
void registerDatabasePart(DatabasePlace::Value place, StartUpPart part);
// Makes the registered database-time objects in their order (the façade's
// database step), and releases them in reverse (a later database step, and
// shut-down). Releasing what was never made does nothing.
void makeDatabaseParts();
void releaseDatabaseParts();

Runtime& runtime();

// Creates the process-wide objects in their fixed order and connects each
// to what it needs (once; later calls do nothing until shutDown()).
void startUp();
// Releases them in reverse order so that a test can start again.
void shutDown();

}  // namespace vek
