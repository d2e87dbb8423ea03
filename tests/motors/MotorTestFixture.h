#pragma once
#include <memory>
#include <string>
#include <vector>

#include "support/RecordingChannel.h"
#include "support/TempInstall.h"
#include "vek/motion/Runtime.h"
#include "vek/motors/Motor.h"
#include "vek/motors/MotorConstants.h"

namespace vek::test {

// A started runtime with motor 1 (a SmartMotor) on a recording channel.
class MotorTest : public VekTest {
protected:
    void SetUp() override {
        VekTest::SetUp();
        channel_ = std::make_shared<RecordingChannel>();
        motor_ = makeMotor(1, MotorConstants::TYPE_SM);
    }

    std::shared_ptr<Motor> makeMotor(int32_t id, int16_t type) {
        auto motor = std::make_shared<Motor>();
        motor->init(id, channel_, MotorConstants::MOTOR_ENCODER_COUNT);
        motor->setMotorType(type);
        channel_->clear();
        return motor;
    }

    // Registers motors as the façade's axes, as the all-motors object sees them.
    void registerAxes(const std::vector<std::shared_ptr<Motor>>& motors) {
        runtime().motors = std::make_shared<Collection<std::shared_ptr<IMotor>>>();
        for (const auto& m : motors) runtime().motors->add(m, std::to_string(m->id()));
    }

    using Wire = std::vector<std::string>;

    std::shared_ptr<RecordingChannel> channel_;
    std::shared_ptr<Motor> motor_;
};

}  // namespace vek::test
