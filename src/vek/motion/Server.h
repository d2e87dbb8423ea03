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
class Commands;
class DevCommands;
class ProgramData;
class SingleMotorProgram;
class Serial;

// The host's entry point: hands out the process-wide objects. Stateless;
// constructing one runs start-up once per process, and every Server returns
// the very objects the library uses itself. Configuration and DataSets come
// back null until the façade's database step has run. Each further piece of
// the library (programs, peripherals) gets its accessor here when it lands.
//
// The objects of the layers above motion (ProgramData, SingleMotorProgram,
// Commands, DevCommands) are named
// here but made by their own folder, which registers them with start-up:
// include their headers (vek/programs/..., vek/commands/...) to use what
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
    std::shared_ptr<vek::Utils> Utils() const;
    std::shared_ptr<vek::Commands> Commands() const;
    std::shared_ptr<vek::DevCommands> DevCommands() const;
    std::shared_ptr<vek::Serial> Serial() const;
    std::shared_ptr<LinearSlides> getLinearSlides() const;
};

}  // namespace vek
