#pragma once
#include <memory>

namespace vek {

class Log;
class Configuration;
class Calibration;
class Coordinates;
class Measurement;
class ProgramData;
class DataSets;
class SingleMotorProgram;
class User;
class IIOData;
class Utils;
class Ethernet;
class DataImporter;
class Excel;
class Commands;
class DevCommands;
class Hmi;
class Vision;
class Serial;
class External;
class LinearSlides;

// The host's entry point: hands out the process-wide objects. Stateless;
// constructing one runs start-up once per process, and every Server returns
// the very objects the library uses itself. An object that does not exist
// yet (the database step has not run, or the piece is not part of this
// build) comes back null.
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
