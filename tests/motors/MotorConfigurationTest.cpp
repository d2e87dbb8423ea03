#include <gtest/gtest.h>

#include "MotorTestFixture.h"
#include "vek/motors/Measurement.h"
#include "vek/persistence/Configuration.h"
#include "vek/persistence/Database.h"

namespace vek::test {
namespace {

// The install's empty database: axis 1 sits on a Kelpa slide, the display
// unit is mm.
class MotorConfigurationTest : public MotorTest {
protected:
    void SetUp() override {
        MotorTest::SetUp();
        database_ = std::make_shared<Database>();
        database_->openDatabase("vek.db");
        configuration_ = std::make_shared<Configuration>(database_);
        runtime().configuration = configuration_;  // the unit the measurement names
    }
    Configuration& config() { return *configuration_; }
    std::shared_ptr<Database> database_;
};

TEST_F(MotorConfigurationTest, MotorTypeComesFromTheSlideOfTheAxisAndIsCached) {
    auto motor = std::make_shared<Motor>();
    motor->init(1, channel_, 4000, context());
    EXPECT_EQ(channel_->commands(), (Wire{"1F=2", "1ZS", "1BRKSTP"})) << "a Kelpa releases its brake on trajectories";
    EXPECT_EQ(motor->motorType(), MotorConstants::TYPE_JP);

    config().motorsData()->item(1)->SlideData()->setMotorType(MotorConstants::TYPE_SM);
    EXPECT_EQ(motor->motorType(), MotorConstants::TYPE_JP) << "cached";
    motor->setMotorType(static_cast<int16_t>(NOT_GIVEN));
    EXPECT_EQ(motor->motorType(), MotorConstants::TYPE_SM) << "asked afresh";
}

TEST_F(MotorConfigurationTest, AxisWithoutSlideHasNoFamilyYet) {
    config().motorsData()->item(2)->setSlideData(nullptr);
    auto motor = std::make_shared<Motor>();
    motor->init(2, channel_, 4000, context());
    EXPECT_EQ(channel_->commands(), (Wire{"2F=2", "2ZS"}));
    EXPECT_EQ(motor->motorTypeAsString(), "Motor");
}

TEST_F(MotorConfigurationTest, UnitNamesFollowTheConfiguredUnit) {
    Measurement& m = *runtime().measurement;
    EXPECT_EQ(m.getPositionUnit(MotorConstants::TYPE_SM), "mm");
    EXPECT_EQ(m.getVelocityUnit(MotorConstants::TYPE_SM), "mm/s");
    config().setUnit(Units::Inch);
    EXPECT_EQ(m.getAccelerationUnit(MotorConstants::TYPE_SM), "inch/s^2");
    EXPECT_EQ(m.getTimeUnit(), "sec");
    config().setUnit(Units::smu);
    EXPECT_EQ(m.getPositionUnit(MotorConstants::TYPE_WX), "smu");
    EXPECT_EQ(m.getTimeUnit(), "smu");
    // An explicit unit wins over the configured one.
    EXPECT_EQ(m.getVelocityUnit(MotorConstants::TYPE_WX, Units::mm), "rpm");
}

}  // namespace
}  // namespace vek::test
