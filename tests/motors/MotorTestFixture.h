#pragma once
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "support/Expect.h"
#include "support/RecordingChannel.h"
#include "support/TempInstall.h"
#include "support/WireTable.h"
#include "vek/motion/Runtime.h"
#include "vek/motors/Motor.h"
#include "vek/motors/MotorConstants.h"
#include "vek/motors/MotorContext.h"

namespace vek::test {

// A started runtime with motor 1 (a SmartMotor) on a recording channel. The
// motors made here share the flags and axes of this fixture, as a façade's
// motors do.
class MotorTest : public VekTest {
protected:
    static constexpr int16_t SM = MotorConstants::TYPE_SM;
    static constexpr int16_t JP = MotorConstants::TYPE_JP;
    static constexpr int16_t WX = MotorConstants::TYPE_WX;
    static constexpr int16_t GZ = MotorConstants::TYPE_GZ;

    void SetUp() override {
        VekTest::SetUp();
        channel_ = std::make_shared<RecordingChannel>();
        motor_ = makeMotor(1, SM);
    }

    MotorContext context(const std::string& name = {}) const {
        return MotorContext{name, configuration_, axes_, flags_};
    }

    std::shared_ptr<Motor> makeMotor(int32_t id, int16_t type) {
        auto motor = std::make_shared<Motor>();
        motor->init(id, channel_, MotorConstants::MOTOR_ENCODER_COUNT, context());
        motor->setMotorType(type);
        channel_->clear();
        return motor;
    }

    // Makes motors the axes the all-motors object answers for.
    void registerAxes(const std::vector<std::shared_ptr<Motor>>& motors) {
        axes_->clear();
        for (const auto& m : motors) axes_->add(m, std::to_string(m->id()));
    }

    // How often `command` went out since the channel was last cleared.
    long sent(const std::string& command) const {
        return std::count(channel_->commands().begin(), channel_->commands().end(), command);
    }

    // What went out since the channel was last cleared, as wireText.
    std::string wire() const { return wireText(channel_->trace()); }
    void answer(const std::string& pairs) { answerEach(*channel_, pairs); }

    std::shared_ptr<Configuration> configuration_;
    std::shared_ptr<MotorCollection> axes_ = std::make_shared<MotorCollection>();
    std::shared_ptr<MotionFlags> flags_ = std::make_shared<MotionFlags>();
    std::shared_ptr<RecordingChannel> channel_;
    std::shared_ptr<Motor> motor_;
};

}  // namespace vek::test
