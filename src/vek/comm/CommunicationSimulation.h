#pragma once
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "vek/comm/ICommunication.h"

namespace vek {

class IMotor;

// The channel without hardware. Each command text (motor number digit +
// motor command) is parsed and executed as a call on the matching motor of
// the façade's collection, runtime().motors (the simulated motors while the
// façade simulates); answers are queued so that ReadResponse and
// getResponseOf behave as on the real chain. Number 0 addresses every motor
// of the collection in order.
//
// Every command the channel understands maps onto an IMotor member, so the
// channel needs no simulated-motor type: it talks to the motors through
// IMotor only and stays below the motors layer.
class CommunicationSimulation : public ICommunication {
public:
    CommunicationSimulation();
    ~CommunicationSimulation() override;
    CommunicationSimulation(const CommunicationSimulation&) = delete;
    CommunicationSimulation& operator=(const CommunicationSimulation&) = delete;

    std::shared_ptr<MotorEngine> getObject() override { return engine_; }
    // Passes `maxMotors` to the engine when given; answers the configured
    // number of simulated motors ("softwareMotors").
    int16_t initMotors(int32_t maxMotors = NOT_GIVEN) override;
    void forceUpload(int32_t, const std::string&) override {}
    void download(int32_t, const std::string&) override {}
    void OpenPort(const std::string& portName, int32_t baudRate) override;
    void setBaudRate(int32_t baudRate) override;
    int32_t baudRate() override { return baudRate_; }
    void ClosePort() override {}
    void clearBuffer() override { responses_.clear(); }
    void WriteCommand(const std::string& command) override;
    std::string ReadResponse() override;
    std::string getResponseOf(const std::string& command) override;
    std::string portName() override { return portName_; }
    std::shared_ptr<MotorEngineMotor> getMotor(int32_t) override { return nullptr; }

    // Answers not read yet (tests).
    std::size_t pendingResponses() const { return responses_.size(); }

private:
    // Runs one motor command on `motor`; the answer, empty when none.
    std::string execute(IMotor& motor, const std::string& command);

    std::shared_ptr<MotorEngine> engine_;
    std::deque<std::string> responses_;
    int32_t baudRate_ = 0;
    std::string portName_;
};

}  // namespace vek
