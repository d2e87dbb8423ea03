#include "vek/comm/Communication.h"

#include "vek/comm/PollingCommands.h"
#include "vek/comm/engine/EngineError.h"
#include "vek/comm/engine/MotorEngine.h"
#include "vek/foundation/Convert.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NumberedError.h"

namespace vek {

namespace {
// Every traffic flag and the times.
constexpr int32_t TRAFFIC_LOG_FLAGS = 0x1001F;
}  // namespace

Communication::Communication(const std::string& trafficLogFile) {
    logAt(LogLevel::DEVELOPER, "Initializing vek.Communication");
    engine_ = std::make_shared<MotorEngine>();
    if (!trafficLogFile.empty()) {
        engine_->setLogFile(trafficLogFile);
        engine_->setLogFlags(TRAFFIC_LOG_FLAGS);
    }
}

Communication::~Communication() {
    logAt(LogLevel::DEVELOPER, "Terminating vek.Communication");
    try {
        ClosePort();
    } catch (...) {
    }
    engine_.reset();
}

void Communication::OpenPort(const std::string& portName, int32_t baudRate) {
    try {
        engine_->setBaudRate(baudRate);
        engine_->openPort(portName);
        engine_->setNumericSetting(1, MotorEngine::SERIAL_SETTING_1);
        engine_->setNumericSetting(3, MotorEngine::SERIAL_SETTING_3);
        engine_->setNumericSetting(2, MotorEngine::SERIAL_SETTING_2);
        engine_->clearBuffer();
    } catch (const NumberedError& e) {
        throw NumberedError::wrap(ErrorCodes::OPEN_PORT_FAILED,
                                  "Can't open serial port. Check that other application is not using the same port. ",
                                  e);
    }
}

int16_t Communication::initMotors(int32_t maxMotors) {
    if (maxMotors != NOT_GIVEN) engine_->setHighestAddress(maxMotors);
    try {
        return engine_->addressChain();
    } catch (const NumberedError& e) {
        throw NumberedError::wrap(ErrorCodes::NO_MOTORS_DETECTED, "No motors are detected. ", e);
    }
}

void Communication::setBaudRate(int32_t baudRate) {
    try {
        engine_->setBaudRate(baudRate);
        engine_->clearBuffer();
    } catch (const NumberedError& e) {
        throw NumberedError::wrap(ErrorCodes::SET_BAUDRATE_FAILED, "Can't set baud rate to " + toText(baudRate) + ". ",
                                  e);
    }
}

int32_t Communication::baudRate() {
    return engine_->baudRate();
}

void Communication::ClosePort() {
    try {
        engine_->closePort();
    } catch (const NumberedError& e) {
        throw NumberedError::wrap(ErrorCodes::CLOSE_PORT_FAILED, "Can't close serial port. ", e);
    }
}

bool Communication::isOpen() {
    return engine_->isOpen();
}

void Communication::clearBuffer() {
    engine_->clearBuffer();
}

void Communication::logCommand(const std::string& command) const {
    if (!PollingCommands::isPolling(command)) logAt(LogLevel::DEVELOPER, [&] { return "> " + command; });
}

void Communication::WriteCommand(const std::string& command) {
    clearBuffer();
    logCommand(command);
    engine_->sendCommand(command);
}

std::string Communication::getResponseOf(const std::string& command) {
    clearBuffer();
    logCommand(command);
    return engine_->sendAndRead(command);
}

std::string Communication::ReadResponse() {
    try {
        return engine_->readResponse();
    } catch (const NumberedError& e) {
        if (e.helpContext() == EngineCondition::TIMEOUT) return {};
        throw;
    }
}

std::string Communication::portName() {
    return engine_->portName();
}

std::shared_ptr<MotorEngineMotor> Communication::getMotor(int32_t Index) {
    return engine_->motor(Index);
}

}  // namespace vek
