#include "vek/motion/Server.h"

#include "vek/foundation/Log.h"
#include "vek/motion/Runtime.h"

namespace vek {

Server::Server() {
    startUp();
    logAt(LogLevel::DEVELOPER, "Init of Server");
}

Server::~Server() {
    logAt(LogLevel::DEVELOPER, "Terminating of Server");
}

std::shared_ptr<Log> Server::logger() const {
    return runtime().log;
}
std::shared_ptr<Configuration> Server::Configuration() const {
    return runtime().configuration;
}
std::shared_ptr<Calibration> Server::Calibration() const {
    return runtime().calibration;
}
std::shared_ptr<Coordinates> Server::Coordinates() const {
    return runtime().coordinates;
}
std::shared_ptr<Measurement> Server::Measurement() const {
    return runtime().measurement;
}
std::shared_ptr<ProgramData> Server::ProgramData() const {
    return runtime().programData;
}
std::shared_ptr<DataSets> Server::DataSets() const {
    return runtime().dataSets;
}
std::shared_ptr<SingleMotorProgram> Server::SingleMotorProgram() const {
    return runtime().singleMotorProgram;
}
std::shared_ptr<User> Server::User() const {
    return runtime().user;
}
std::shared_ptr<IIOData> Server::IOData() const {
    return runtime().ioData;
}
std::shared_ptr<Utils> Server::Utils() const {
    return runtime().utils;
}
std::shared_ptr<Ethernet> Server::Ethernet() const {
    return runtime().ethernet;
}
std::shared_ptr<DataImporter> Server::DataImporter() const {
    return runtime().dataImporter;
}
std::shared_ptr<Excel> Server::Excel() const {
    return runtime().excel;
}
std::shared_ptr<Commands> Server::Commands() const {
    return runtime().commands;
}
std::shared_ptr<DevCommands> Server::DevCommands() const {
    return runtime().devCommands;
}
std::shared_ptr<Hmi> Server::Hmi() const {
    return runtime().hmi;
}
std::shared_ptr<Vision> Server::Vision() const {
    return runtime().vision;
}
std::shared_ptr<Serial> Server::Serial() const {
    return runtime().serial;
}
std::shared_ptr<External> Server::External() const {
    return runtime().external;
}
std::shared_ptr<LinearSlides> Server::getLinearSlides() const {
    return runtime().linearSlides;
}

}  // namespace vek
