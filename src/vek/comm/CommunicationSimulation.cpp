#include "vek/comm/CommunicationSimulation.h"

#include <cctype>

#include "vek/comm/PollingCommands.h"
#include "vek/comm/engine/MotorEngine.h"
#include "vek/foundation/Convert.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NumberedError.h"
#include "vek/foundation/Utils.h"
#include "vek/motion/Runtime.h"
#include "vek/motors/IMotor.h"
#include "vek/persistence/Configuration.h"

namespace vek {

namespace {

// Classic wildcard match: "?" one character, "*" any run.
bool like(const std::string& text, const char* pattern) {
    return Utils::isLike(text, pattern);
}

// The number after "=" of an assignment such as "P=1000".
int32_t assignedValue(const std::string& command) {
    static const Utils utils;
    const auto tokens = utils.splitTokens(command, "=");
    if (tokens.size() < 2) throw NumberedError::platform(PlatformErrors::TYPE_MISMATCH);
    return toInt32(toDouble(tokens[1]));
}

// A one-character input or output number.
int16_t digitValue(char c) {
    return toInt16(toDouble(std::string(1, c)));
}

}  // namespace

CommunicationSimulation::CommunicationSimulation() {
    logMessage("Initializing vek.CommunicationSimulation", LogLevel::DEVELOPER);
    engine_ = std::make_shared<MotorEngine>();
    // The simulated chain answers at once; the engine's timing settings only
    // matter to a real port.
    engine_->setNumericSetting(2, 2);
    engine_->setNumericSetting(3, 20);
}

CommunicationSimulation::~CommunicationSimulation() {
    logMessage("Terminating vek.Communication", LogLevel::DEVELOPER);
    ClosePort();
    engine_.reset();
}

int16_t CommunicationSimulation::initMotors(int32_t maxMotors) {
    if (maxMotors != NOT_GIVEN) engine_->setHighestAddress(maxMotors);
    const auto& configuration = runtime().configuration;
    const std::string count = configuration ? configuration->getConfigValue("softwareMotors") : std::string("0");
    return toInt16(toDouble(count));
}

void CommunicationSimulation::OpenPort(const std::string& portName, int32_t baudRate) {
    portName_ = portName;
    baudRate_ = baudRate;
    clearBuffer();
}

void CommunicationSimulation::setBaudRate(int32_t baudRate) {
    clearBuffer();
    baudRate_ = baudRate;
}

std::string CommunicationSimulation::ReadResponse() {
    if (responses_.empty()) return {};
    std::string answer = std::move(responses_.front());
    responses_.pop_front();
    return answer;
}

std::string CommunicationSimulation::getResponseOf(const std::string& command) {
    clearBuffer();
    WriteCommand(command);
    return ReadResponse();
}

void CommunicationSimulation::WriteCommand(const std::string& command) {
    // Only the answers of this command are ever queued.
    clearBuffer();
    if (!PollingCommands::isPolling(command)) logMessage("> " + command, LogLevel::DEVELOPER);
    if (command.empty() || !std::isdigit(static_cast<unsigned char>(command[0]))) {
        logMessage("Please prepend the motor number before the command", LogLevel::WARNING);
        return;
    }
    const int number = command[0] - '0';
    const std::string motorCommand = command.substr(1);
    const auto motors = runtime().motors;
    if (number != 0) {
        // Motor n is the n-th of the façade's motors. A number beyond them (or
        // any number before the façade has made its motors) is a missing item.
        if (!motors || static_cast<std::size_t>(number) > motors->count())
            throw NumberedError::platform(PlatformErrors::INVALID_PROCEDURE_CALL);
        std::string answer = execute(*motors->item(static_cast<std::size_t>(number)), motorCommand);
        if (!answer.empty()) responses_.push_back(std::move(answer));
        return;
    }
    if (!motors) return;
    // The commands may queue answers of their own (bit queries clear the
    // buffer first), so the answers of this loop are gathered aside.
    std::deque<std::string> answers;
    for (std::size_t i = 1; i <= motors->count(); ++i) {
        std::string answer = execute(*motors->item(i), motorCommand);
        if (!answer.empty()) answers.push_back(std::move(answer));
    }
    responses_ = std::move(answers);
}

std::string CommunicationSimulation::execute(IMotor& m, const std::string& command) {
    if (command == "z=0") {
        m.invalidateHoming();
    } else if (like(command, "RB?")) {
        return m.getResponseOf(command);
    } else if (command == "RP") {
        return std::to_string(m.position());
    } else if (command == "RA") {
        return std::to_string(m.acceleration());
    } else if (command == "RV") {
        return std::to_string(m.velocity());
    } else if (command == "RAMPS") {
        return std::to_string(m.MaxCurrent());
    } else if (command == "RE") {
        return std::to_string(m.MaxPositionError());
    } else if (command == "MP") {
        m.setPositionMode();
    } else if (command == "MV") {
        m.setVelocityMode();
    } else if (command == "G") {
        m.startMotion();
    } else if (command == "X") {
        m.StopMotion(true);
    } else if (command == "S") {
        m.StopMotion(false);
    } else if (command == "OFF") {
        m.stopServo();
    } else if (command == "ZS") {
        m.Reset();
    } else if (command == "RSP") {
        return "24576/477K";
    } else if (like(command, "D=*")) {
        m.setRelativePosition(assignedValue(command));
    } else if (like(command, "P=*")) {
        m.setPosition(assignedValue(command));
    } else if (like(command, "A=*")) {
        m.setAcceleration(assignedValue(command));
    } else if (like(command, "V=*")) {
        m.setVelocity(assignedValue(command));
    } else if (like(command, "RO?")) {
        return std::to_string(m.getOutputState(digitValue(command.back())));
    } else if (like(command, "RI?")) {
        return std::to_string(m.getInputState(digitValue(command.back())));
    } else if (like(command, "O?=*")) {
        m.setOutputState(digitValue(command[1]), static_cast<int16_t>(assignedValue(command)));
    } else if (command == "END") {
        // A program end needs nothing from a simulated motor.
    } else if (command == "BCD_ON") {
        m.StartProgram(true);
    } else if (command == "BCD_OFF") {
        m.StopProgram();
    } else {
        logMessage("Simulation doesn't support the command " + command, LogLevel::WARNING);
    }
    return {};
}

}  // namespace vek
