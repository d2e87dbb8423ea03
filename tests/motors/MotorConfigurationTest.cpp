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

// The type comes from the axis's slide, once; an axis without a slide has
// no family yet and no brake mode.
TEST_F(MotorConfigurationTest, MotorTypeComesFromTheSlideOfTheAxisAndIsCached) {
    config().motorsData()->item(2)->setSlideData(nullptr);
    Motor kelpa, bare;
    kelpa.init(1, channel_, 4000, context());
    bare.init(2, channel_, 4000, context());
    EXPECT_EQ(wire(), "1F=2 1ZS 1BRKSTP 2F=2 2ZS") << "a Kelpa releases its brake on trajectories";
    EXPECT_EQ(kelpa.motorType(), JP);
    EXPECT_EQ(bare.motorTypeAsString(), "Motor");
    config().motorsData()->item(1)->SlideData()->setMotorType(SM);
    EXPECT_EQ(kelpa.motorType(), JP) << "cached";
    kelpa.setMotorType(static_cast<int16_t>(NOT_GIVEN));
    EXPECT_EQ(kelpa.motorType(), SM) << "asked afresh";
}

TEST_F(MotorConfigurationTest, UnitNamesFollowTheConfiguredUnit) {
    Measurement& m = *runtime().measurement;
    EXPECT_EQ(m.getPositionUnit(SM) + " " + m.getVelocityUnit(SM), "mm mm/s");
    config().setUnit(Units::Inch);
    EXPECT_EQ(m.getAccelerationUnit(SM) + " " + m.getTimeUnit(), "inch/s^2 sec");
    config().setUnit(Units::smu);
    EXPECT_EQ(m.getPositionUnit(WX) + " " + m.getTimeUnit(), "smu smu");
    EXPECT_EQ(m.getVelocityUnit(WX, Units::mm), "rpm") << "an explicit unit wins over the configured one";
}

}  // namespace
}  // namespace vek::test
