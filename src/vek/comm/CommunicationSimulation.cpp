#include "vek/comm/CommunicationSimulation.h"

#include <cctype>

#include "vek/comm/PollingCommands.h"
#include "vek/comm/engine/MotorEngine.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NumberedError.h"

namespace vek {

CommunicationSimulation::CommunicationSimulation(std::shared_ptr<ISimulatedChain> chain)
    : CommunicationSimulation(std::move(chain), "CommunicationSimulation", true) {}

CommunicationSimulation::CommunicationSimulation(std::shared_ptr<ISimulatedChain> chain, const std::string& className,
                                                 bool tuneEngine)
    : chain_(std::move(chain)) {
    logAt(LogLevel::DEVELOPER, "Initializing vek." + className);
    engine_ = std::make_shared<MotorEngine>();
    if (!tuneEngine) return;
    // The simulated chain answers at once; the engine's timing settings only
    // matter to a real port.
    engine_->setNumericSetting(2, 2);
    engine_->setNumericSetting(3, 20);
}

CommunicationSimulation::~CommunicationSimulation() {
    logAt(LogLevel::DEVELOPER, "Terminating vek.Communication");
    ClosePort();
    engine_.reset();
}

int16_t CommunicationSimulation::initMotors(int32_t maxMotors) {
    if (maxMotors != NOT_GIVEN) engine_->setHighestAddress(maxMotors);
    return chain_ ? chain_->configuredAxes() : int16_t{0};
}

void CommunicationSimulation::requireOpen() const {
    if (closed_) throw NumberedError(ErrorCodes::OPEN_PORT_FAILED, "The port " + portName_ + " is closed.");
}

void CommunicationSimulation::OpenPort(const std::string& portName, int32_t baudRate) {
    closed_ = false;
    portName_ = portName;
    baudRate_ = baudRate;
    clearBuffer();
}

void CommunicationSimulation::setBaudRate(int32_t baudRate) {
    clearBuffer();
    baudRate_ = baudRate;
}

std::string CommunicationSimulation::ReadResponse() {
    requireOpen();
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
    requireOpen();
    // Only the answers of this command are ever queued.
    clearBuffer();
    if (!PollingCommands::isPolling(command)) logAt(LogLevel::DEVELOPER, "> " + command);
    if (command.empty() || !std::isdigit(static_cast<unsigned char>(command[0]))) {
        logAt(LogLevel::WARNING, "Please prepend the motor number before the command");
        return;
    }
    const auto number = static_cast<std::size_t>(command[0] - '0');
    const std::string motorCommand = command.substr(1);
    const std::size_t axes = chain_ ? chain_->axisCount() : 0;
    if (number != 0) {
        // Motor n is the n-th axis of the chain; a number beyond them is out
        // of range, as a position past the end of a collection is.
        if (number > axes) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
        std::string answer = chain_->execute(number, motorCommand);
        if (!answer.empty()) responses_.push_back(std::move(answer));
        return;
    }
    // The commands may queue answers of their own (bit queries clear the
    // buffer first), so the answers of this loop are gathered aside.
    std::deque<std::string> answers;
    for (std::size_t i = 1; i <= axes; ++i) {
        std::string answer = chain_->execute(i, motorCommand);
        if (!answer.empty()) answers.push_back(std::move(answer));
    }
    responses_ = std::move(answers);
}

}  // namespace vek
