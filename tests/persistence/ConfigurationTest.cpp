#include "vek/persistence/Configuration.h"

#include "PersistenceTest.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/NumberedError.h"

namespace vek::test {
namespace {

class ConfigurationTest : public PersistenceTest {
protected:
    std::shared_ptr<Configuration> load() {
        runtime().configuration = std::make_shared<Configuration>();
        return runtime().configuration;
    }
};

TEST_F(ConfigurationTest, LoadsTheEmptyDatabaseOfAnInstall) {
    auto config = load();
    EXPECT_EQ(config->slidesData()->count(), 32u);
    ASSERT_EQ(config->distinctSlidesData()->count(), 4u);
    EXPECT_EQ(config->distinctSlidesData()->item(1), "JP65");
    EXPECT_EQ(config->distinctSlidesData()->item(2), "JP90");
    EXPECT_EQ(config->distinctSlidesData()->item(3), "WX21");
    EXPECT_EQ(config->distinctSlidesData()->item(4), "WX75");
    ASSERT_EQ(config->motorsData()->count(), 8u);
    auto x = config->motorsData()->item("1");
    EXPECT_EQ(x->key(), 1);
    EXPECT_EQ(x->name(), "Motor1");
    EXPECT_EQ(x->inputLabels().count(), 12u);
    EXPECT_EQ(x->outputLabels().count(), 10u);
    EXPECT_EQ(x->getOutputLabelIndex("Out7"), 7);
    EXPECT_DOUBLE_EQ(config->MOTOR_X_PITCH(), 10.0);
    EXPECT_EQ(config->MOTOR_X_TYPE(), 2);
    EXPECT_EQ(config->unit(), 2);
    EXPECT_EQ(config->cycleCount(), 0);
    EXPECT_EQ(config->portName(), "COM1");
    EXPECT_EQ(config->getConfigValue("softwareMotors"), "3");
    EXPECT_EQ(config->availablePorts()->count(), 9u);
    EXPECT_EQ(config->availablePorts()->item("9"), "COM9");
    EXPECT_FALSE(loggedStartingWith("Can't"));
}

}  // namespace
}  // namespace vek::test
