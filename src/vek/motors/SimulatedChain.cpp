#include "vek/motors/SimulatedChain.h"

#include <cmath>

#include "vek/foundation/Convert.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NumberedError.h"
#include "vek/foundation/Text.h"
#include "vek/motors/IMotor.h"
#include "vek/motors/MotorSimulation.h"
#include "vek/persistence/Configuration.h"

namespace vek {

namespace {

bool like(const std::string& text, const char* pattern) {
    return isLike(text, pattern);
}

// The number after "=" of an assignment such as "P=1000".
int32_t assignedValue(const std::string& command) {
    const auto tokens = splitTokens(command, "=");
    if (tokens.size() < 2) throw NumberedError::platform(PlatformErrors::TYPE_MISMATCH);
    return toInt32(toDouble(tokens[1]));
}

// A one-character input or output number.
int16_t digitValue(char c) {
    return toInt16(toDouble(std::string(1, c)));
}

}  // namespace

SimulatedChain::SimulatedChain(std::weak_ptr<const MotorCollection> axes, std::shared_ptr<Configuration> configuration)
    : axes_(std::move(axes)), configuration_(std::move(configuration)) {}

int16_t SimulatedChain::configuredAxes() {
    return configuration_ ? toInt16(toDouble(configuration_->getConfigValue("softwareMotors"))) : int16_t{0};
}

std::size_t SimulatedChain::axisCount() {
    const auto axes = axes_.lock();
    return axes ? axes->count() : 0;
}

std::string SimulatedChain::execute(std::size_t number, const std::string& command) {
    const auto axes = axes_.lock();
    if (!axes) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
    // Hold the motor: a command may end in a handler that closes the chain.
    const auto motor = axes->item(number);
    // A simulated axis's address is its number on the chain.
    if (command == "RADDR") return std::to_string(number);
    return execute(*motor, command);
}

std::string SimulatedChain::execute(IMotor& m, const std::string& command) {
    if (auto* simulated = dynamic_cast<MotorSimulation*>(&m))
        if (auto answer = simulated->answerProgramTransfer(command)) return *answer;
    if (command == "z=0") {
        m.invalidateHoming();
    } else if (like(command, "RB?")) {
        return m.getResponseOf(command);
    } else if (command == "RP") {
        return std::to_string(m.position());
    } else if (command == "RTEMP") {
        return std::to_string(std::lround(m.temperature()));
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
        logAt(LogLevel::WARNING, "Simulation doesn't support the command " + command);
    }
    return {};
}

}  // namespace vek
