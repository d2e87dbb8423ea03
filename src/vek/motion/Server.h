#pragma once
#include <memory>

namespace vek {

class Log;
class Configuration;
class Calibration;
class Coordinates;
class Measurement;
class DataSets;
class User;
class Utils;
class LinearSlides;
class IIOData;
class Commands;
class DevCommands;
class Hmi;
class ProgramData;
class SingleMotorProgram;
class Serial;
class Ethernet;
class DataImporter;
class Excel;
class Vision;
class External;

// The host's entry point: hands out the process-wide objects. Stateless;
// constructing one runs start-up once per process, and every Server returns
// the very objects the library uses itself. Configuration and DataSets come
// back null until the façade's database step has run. Each further piece of
// the library (programs, peripherals) gets its accessor here when it lands.
//
// The objects of the layers above motion (ProgramData, SingleMotorProgram,
// Commands, DevCommands, the external I/O, the panel, DataImporter, Excel,
// Vision, External) are named here but made by their own folder, which
// registers them with start-up or the database step: include their headers
// (vek/programs/..., vek/commands/..., vek/peripherals/...) to use what
// these return.
class Server {
public:
    Server();
    ~Server();

    std::shared_ptr<Log> logger() const;
    std::shared_ptr<vek::Configuration> Configuration() const;
    std::shared_ptr<vek::Calibration> Calibration() const;
    std::shared_ptr<vek::Coordinates> Coordinates() const;
    std::shared_ptr<vek::Measurement> Measurement() const;
    std::shared_ptr<vek::ProgramData> ProgramData() const;
    std::shared_ptr<vek::DataSets> DataSets() const;
    std::shared_ptr<vek::SingleMotorProgram> SingleMotorProgram() const;
    std::shared_ptr<vek::User> User() const;
    // The external I/O (real or simulated); like Hmi, null until the
    // database step has run.
    std::shared_ptr<IIOData> IOData() const;
    std::shared_ptr<vek::Utils> Utils() const;
    std::shared_ptr<vek::Ethernet> Ethernet() const;
    std::shared_ptr<vek::DataImporter> DataImporter() const;
    std::shared_ptr<vek::Excel> Excel() const;
    std::shared_ptr<vek::Commands> Commands() const;
    std::shared_ptr<vek::DevCommands> DevCommands() const;
    std::shared_ptr<vek::Hmi> Hmi() const;
    std::shared_ptr<vek::Vision> Vision() const;
    std::shared_ptr<vek::Serial> Serial() const;
    std::shared_ptr<vek::External> External() const;
    std::shared_ptr<LinearSlides> getLinearSlides() const;
};

}  // namespace vek
