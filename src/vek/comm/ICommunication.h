#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "vek/foundation/NotGiven.h"

namespace vek {

// The motor engine (comm/engine/) and its per-motor object. Callers that drive
// the engine directly (coordinated motion, program download) include its
// header; everyone else only hands the objects on.
class MotorEngine;
class MotorEngineMotor;

// The one channel that carries every command text to the motor chain and
// brings back one answer line. A command text is the motor number digit
// followed by the motor command; the channel adds the line framing.
// Implemented by the serial, simulated and Ethernet channels.
class ICommunication {
public:
    virtual ~ICommunication() = default;

    // The engine object, for callers that drive it directly.
    virtual std::shared_ptr<MotorEngine> getObject() = 0;
    // Addresses the chain (at most `maxMotors` when given) and returns the
    // number of motors found.
    virtual int16_t initMotors(int32_t maxMotors = NOT_GIVEN) = 0;
    // Program transfer over the channel's own command texts (PROTOCOL.md,
    // "Program transfer"): every channel carries it the same way.
    virtual void forceUpload(int32_t Index, const std::string& fileName);
    virtual void download(int32_t Index, const std::string& fileName);
    virtual void OpenPort(const std::string& portName, int32_t baudRate) = 0;
    virtual void setBaudRate(int32_t baudRate) = 0;
    virtual int32_t baudRate() = 0;
    virtual void ClosePort() = 0;
    // False once the port is closed: commands and answers then fail with
    // error 1, while the rate and the port name may still be set and read.
    virtual bool isOpen() = 0;
    // Discards everything received and not yet read.
    virtual void clearBuffer() = 0;
    virtual void WriteCommand(const std::string& command) = 0;
    // The next answer line; empty when none came in time.
    virtual std::string ReadResponse() = 0;
    // Sends `command` and returns the motor's answer without its line end.
    virtual std::string getResponseOf(const std::string& command) = 0;
    virtual std::string portName() = 0;
    virtual std::shared_ptr<MotorEngineMotor> getMotor(int32_t Index) = 0;
};

}  // namespace vek
