#pragma once
#include <functional>
#include <memory>

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
// Objects of the layers above motion, held here only as opaque pointers:
// motion hands them out and releases them but never calls into them.
class IIOData;
class Hmi;

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
    std::shared_ptr<Calibration> calibration;
    std::shared_ptr<Error> error;
    std::shared_ptr<LinearSlides> linearSlides;

    std::shared_ptr<Database> database;
    std::shared_ptr<Configuration> configuration;
    std::shared_ptr<DataSets> dataSets;
    // Made by the peripherals' database step.
    std::shared_ptr<Hmi> hmi;
    std::shared_ptr<IIOData> ioData;

    bool isStarted() const { return started_; }

private:
    friend void startUp();
    friend void shutDown();
    bool started_ = false;
};

Runtime& runtime();

// Creates the process-wide objects in their fixed order and connects each
// to what it needs (once; later calls do nothing until shutDown()).
void startUp();
// Releases them in reverse order so that a test can start again.
void shutDown();

// A step that a layer above motion adds to the façade's database step, to
// make its own database-related objects into the runtime (the peripherals:
// the panel and the external I/O). Motion cannot name those layers, so they
// join when the library is loaded; steps run in the order they were added,
// after the datasets are loaded. A step's failure fails the database step.
using DatabaseStep = std::function<void(Runtime&)>;
void addDatabaseStep(DatabaseStep step);
// Runs every added step; for the façade.
void runDatabaseSteps(Runtime& rt);

}  // namespace vek
