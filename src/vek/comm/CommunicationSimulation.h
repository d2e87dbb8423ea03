#pragma once
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "vek/comm/ICommunication.h"
#include "vek/comm/ISimulatedChain.h"

namespace vek {

// The channel without hardware. Each command text (motor number digit +
// motor command) goes to the matching axis of the simulated chain its
// creator hands it; answers are queued so that ReadResponse and
// getResponseOf behave as on the real chain. Number 0 addresses every axis
// of the chain in order. Without a chain there are no axes.
class CommunicationSimulation : public ICommunication {
public:
    explicit CommunicationSimulation(std::shared_ptr<ISimulatedChain> chain = nullptr);
    ~CommunicationSimulation() override;
    CommunicationSimulation(const CommunicationSimulation&) = delete;
    CommunicationSimulation& operator=(const CommunicationSimulation&) = delete;

    std::shared_ptr<MotorEngine> getObject() override { return engine_; }
    // Passes `maxMotors` to the engine when given; answers the chain's
    // configured number of axes.
    int16_t initMotors(int32_t maxMotors = NOT_GIVEN) override;
    // Programs move over the channel's own command texts, as on the serial
    // chain (PROTOCOL.md, "Program transfer"); the simulated motor keeps them.
    void OpenPort(const std::string& portName, int32_t baudRate) override;
    void setBaudRate(int32_t baudRate) override;
    int32_t baudRate() override { return baudRate_; }
    void ClosePort() override { closed_ = true; }
    // The simulated chain is there from the start until the port closes.
    bool isOpen() override { return !closed_; }
    void clearBuffer() override { responses_.clear(); }
    void WriteCommand(const std::string& command) override;
    std::string ReadResponse() override;
    std::string getResponseOf(const std::string& command) override;
    std::string portName() override { return portName_; }
    std::shared_ptr<MotorEngineMotor> getMotor(int32_t) override { return nullptr; }

    // Answers not read yet (tests).
    std::size_t pendingResponses() const { return responses_.size(); }

protected:
    // For a channel that answers as the simulated one under another name:
    // construction logs "Initializing vek." + `className`, and the engine's
    // timing settings are tuned only when `tuneEngine` says so.
    CommunicationSimulation(std::shared_ptr<ISimulatedChain> chain, const std::string& className, bool tuneEngine);

private:
    void requireOpen() const;

    std::shared_ptr<ISimulatedChain> chain_;
    std::shared_ptr<MotorEngine> engine_;
    std::deque<std::string> responses_;
    int32_t baudRate_ = 0;
    bool closed_ = false;
    std::string portName_;
};

}  // namespace vek
