// The façade, the Server that hands out the process-wide objects, and the
// host's utilities.
#include "Binding.h"
#include "vek/comm/Ethernet.h"
#include "vek/comm/Serial.h"
#include "vek/commands/Commands.h"
#include "vek/commands/DevCommands.h"
#include "vek/foundation/Log.h"
#include "vek/geometry/Coordinates.h"
#include "vek/geometry/Node.h"
#include "vek/geometry/Path.h"
#include "vek/geometry/Point.h"
#include "vek/geometry/Utils.h"
#include "vek/motion/LinearSlides.h"
#include "vek/motion/Server.h"
#include "vek/motors/Calibration.h"
#include "vek/motors/IMotor.h"
#include "vek/motors/Measurement.h"
#include "vek/peripherals/DataImporter.h"
#include "vek/peripherals/Excel.h"
#include "vek/peripherals/External.h"
#include "vek/peripherals/Hmi.h"
#include "vek/peripherals/IIOData.h"
#include "vek/peripherals/Vision.h"
#include "vek/persistence/Configuration.h"
#include "vek/persistence/DataSets.h"
#include "vek/persistence/User.h"
#include "vek/programs/ProgramData.h"
#include "vek/programs/SingleMotorProgram.h"

namespace vekpy {

namespace {

using vek::LinearSlides;
using vek::Server;

void bindSlides(py::module_& m) {
    py::class_<LinearSlides, std::shared_ptr<LinearSlides>> s(m, "LinearSlides", doc("LinearSlides"));
    method(s, "setPitchRatios", &LinearSlides::setPitchRatios, py::arg("xPitch"), py::arg("yPitch"), py::arg("zPitch"));
    method(s, "getPitchRatio", &LinearSlides::getPitchRatio, py::arg("motorIndex"));
    method(s, "openConnection", &LinearSlides::openConnection, py::arg("baudRate"), py::arg("portName"));
    method(s, "closeConnection", &LinearSlides::closeConnection, py::arg("newBaudRate") = vek::NOT_GIVEN);
    method(s, "databaseRelatedInit", &LinearSlides::databaseRelatedInit, py::arg("databaseFile"));
    method(s, "getMotorDefaultName", &LinearSlides::getMotorDefaultName, py::arg("Index"));
    method(s, "getAxisDefaultName", &LinearSlides::getAxisDefaultName, py::arg("Index"));
    method(s, "RunDiagnostics", &LinearSlides::RunDiagnostics);
    method(s, "stopMotors", &LinearSlides::stopMotors, py::arg("decelerate") = false);
    method(s, "PauseMotion", &LinearSlides::PauseMotion, py::arg("tmpIsPaused") = true);
    readWrite(s, "isSimulation", &LinearSlides::getIsSimulation, &LinearSlides::setIsSimulation, "setIsSimulation");
    readWrite(s, "isSimulationMute", &LinearSlides::getIsSimulationMute, &LinearSlides::setIsSimulationMute,
              "setIsSimulationMute");
    readWrite(s, "coordinatedMotionBaudRate", &LinearSlides::getCoordinatedMotionBaudRate,
              &LinearSlides::setCoordinatedMotionBaudRate);
    readOnly(s, "isPaused", &LinearSlides::isPaused);
    method(s, "getCurrentPoint", &LinearSlides::getCurrentPoint);
    method(s, "drawPath", &LinearSlides::drawPath, py::arg("tmpNodePath"), py::arg("maxSpeed") = 5.0,
           py::arg("acceleration") = 0.01, py::arg("slowToEnd") = true, py::arg("cornerRadius") = 0.0,
           py::arg("eventTriggerPercentage") = 0.0);
    method(s, "drawLine", &LinearSlides::drawLine, py::arg("toNode"), py::arg("fromNode") = nullptr,
           py::arg("maxSpeed") = 5.0, py::arg("acceleration") = 0.01, py::arg("slowToEnd") = true);
    readOnly(
        s, "path", [](const LinearSlides& self) { return self.getPath(); }, "getPath");
    method(s, "removeAllCache", &LinearSlides::removeAllCache);
    readOnly(s, "motors", [](const LinearSlides& self) { return self.motors(); });
    readOnly(s, "AllMotors", [](const LinearSlides& self) { return self.AllMotors(); });
    method(s, "getGZPresent", &LinearSlides::getGZPresent);
    method(s, "currentBaudRate", &LinearSlides::currentBaudRate);
    method(s, "preInitializeConfigGet", &LinearSlides::preInitializeConfigGet, py::arg("db"), py::arg("key"));
    method(s, "preInitializeConfigSet", &LinearSlides::preInitializeConfigSet, py::arg("db"), py::arg("key"),
           py::arg("value"));
    method(s, "getPointFromNode", &LinearSlides::getPointFromNode, py::arg("tmpNode"));
    method(s, "getPathFromNodePath", &LinearSlides::getPathFromNodePath, py::arg("tmpNodePath"));
}

void bindUtils(py::module_& m) {
    using vek::Utils;
    py::class_<Utils, std::shared_ptr<Utils>> u(m, "Utils", doc("Utils"));
    method(u, "removeCharacters", &Utils::removeCharacters, py::arg("tmpString"), py::arg("charToRemove"));
    method(u, "isValidIP", &Utils::isValidIP, py::arg("ip"));
    method(u, "isValidVariableName", &Utils::isValidVariableName, py::arg("name"));
    method(u, "splitTokens", &Utils::splitTokens, py::arg("text"), py::arg("delimiter"));
    method(u, "random", &Utils::random, py::arg("Low"), py::arg("High"));
    method(u, "isFilePresent", &Utils::isFilePresent, py::arg("filePath"));
    method(u, "isDirPresent", &Utils::isDirPresent, py::arg("dirPath"));
    method(u, "SendMail", &Utils::SendMail, py::arg("smtpServer"), py::arg("recipient"), py::arg("message"));
}

void bindServer(py::module_& m) {
    py::class_<Server, std::shared_ptr<Server>> s(m, "Server", doc("Server"));
    s.def(py::init([] { return guarded([] { return std::make_shared<Server>(); }); }),
          "Starts vek on first use and hands out its process-wide objects.");
    readOnly(s, "logger", &Server::logger);
    withAlias(s, "Configuration", "configuration", &Server::Configuration);
    withAlias(s, "Calibration", "calibration", &Server::Calibration);
    withAlias(s, "Coordinates", "coordinates", &Server::Coordinates);
    withAlias(s, "Measurement", "measurement", &Server::Measurement);
    withAlias(s, "ProgramData", "programData", &Server::ProgramData);
    withAlias(s, "DataSets", "dataSets", &Server::DataSets);
    withAlias(s, "SingleMotorProgram", "singleMotorProgram", &Server::SingleMotorProgram);
    withAlias(s, "User", "user", &Server::User);
    withAlias(s, "IOData", "ioData", &Server::IOData);
    withAlias(s, "Utils", "utils", &Server::Utils);
    withAlias(s, "Ethernet", "ethernet", &Server::Ethernet);
    withAlias(s, "DataImporter", "dataImporter", &Server::DataImporter);
    withAlias(s, "Excel", "excel", &Server::Excel);
    withAlias(s, "Commands", "commands", &Server::Commands);
    withAlias(s, "DevCommands", "devCommands", &Server::DevCommands);
    withAlias(s, "Hmi", "hmi", &Server::Hmi);
    withAlias(s, "Vision", "vision", &Server::Vision);
    withAlias(s, "Serial", "serial", &Server::Serial);
    withAlias(s, "External", "external", &Server::External);
    method(s, "getLinearSlides", &Server::getLinearSlides);
    readOnly(s, "linearSlides", &Server::getLinearSlides, "getLinearSlides");
}

}  // namespace

void bindMotion(py::module_& m) {
    bindSlides(m);
    bindUtils(m);
    bindServer(m);
}

}  // namespace vekpy
