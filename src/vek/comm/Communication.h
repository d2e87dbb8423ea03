#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "vek/comm/ICommunication.h"

namespace vek {

// The channel to a real chain of motors on a serial line, through the motor
// engine (comm/engine/). It adds nothing to a command text and removes
// nothing: the engine frames it. Engine failures of opening, addressing,
// switching the rate and closing come back as errors 1, 3, 4 and 5 with the
// engine's own text in brackets; an answer that does not come in time is the
// empty answer.
class Communication : public ICommunication {
public:
    // `trafficLogFile`: where the engine records its traffic ("mlogs.txt" in
    // the install's logs folder when the user is a developer); empty for none.
    explicit Communication(const std::string& trafficLogFile = {});
    ~Communication() override;
    Communication(const Communication&) = delete;
    Communication& operator=(const Communication&) = delete;

    std::shared_ptr<MotorEngine> getObject() override { return engine_; }
    int16_t initMotors(int32_t maxMotors = NOT_GIVEN) override;
    void OpenPort(const std::string& portName, int32_t baudRate) override;
    void setBaudRate(int32_t baudRate) override;
    int32_t baudRate() override;
    void ClosePort() override;
    bool isOpen() override;
    void clearBuffer() override;
    void WriteCommand(const std::string& command) override;
    std::string ReadResponse() override;
    std::string getResponseOf(const std::string& command) override;
    std::string portName() override;
    std::shared_ptr<MotorEngineMotor> getMotor(int32_t Index) override;

private:
    void logCommand(const std::string& command) const;

    std::shared_ptr<MotorEngine> engine_;
};

}  // namespace vek
