#include <algorithm>

#include "PersistenceTest.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/NumberedError.h"
#include "vek/persistence/Configuration.h"

namespace vek::test {
namespace {

class ConfigurationTest : public PersistenceTest {
protected:
    std::shared_ptr<Configuration> load() {
        runtime().configuration = std::make_shared<Configuration>(runtime().database);
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

TEST_F(ConfigurationTest, ReadsAtMostEightAxesInKeyOrder) {
    for (int i = 9; i <= 10; ++i) raw("INSERT INTO Motor (name) VALUES ('Extra" + std::to_string(i) + "')");
    raw("UPDATE Motor SET name = '  Spindle  ' WHERE motorKey = 2");
    auto config = load();
    ASSERT_EQ(config->motorsData()->count(), 8u);
    EXPECT_EQ(config->motorsData()->item(2)->name(), "Spindle");
    EXPECT_EQ(config->motorsData()->item(8)->dbKey(), 8);
    EXPECT_EQ(config->motorsData()->item(1)->tuningValue(1), 70);
    EXPECT_EQ(config->motorsData()->item(1)->tuningValue(3), 500);
}

TEST_F(ConfigurationTest, AxesWithoutSlideAndOldRowsWithoutNewOutputs) {
    raw("UPDATE Motor SET slideKey = NULL WHERE motorKey = 1");
    raw("UPDATE Motor SET slideKey = -31913 WHERE motorKey = 2");
    raw("UPDATE Motor SET out7 = NULL, out8 = NULL, out9 = NULL, out10 = NULL WHERE motorKey = 3");
    auto config = load();
    EXPECT_EQ(config->motorsData()->item(1)->SlideData(), nullptr);
    EXPECT_EQ(config->motorsData()->item(2)->SlideData(), nullptr);
    EXPECT_EQ(config->motorsData()->item(4)->SlideData()->model(), "JP65");
    try {
        config->MOTOR_X_PITCH();
        FAIL();
    } catch (const NumberedError& e) {
        EXPECT_EQ(e.number(), 91);
    }
    auto& outs = config->motorsData()->item(3)->outputLabels();
    EXPECT_EQ(outs.item(8), "Out8");
    EXPECT_EQ(outs.item(10), "Out10");
}

TEST_F(ConfigurationTest, NullInputLabelStopsTheMotorLoadAtThatRow) {
    raw("UPDATE Motor SET in3 = NULL WHERE motorKey = 4");
    auto config = load();
    EXPECT_EQ(config->motorsData()->count(), 3u);
    EXPECT_TRUE(loggedAt("Can't load the motor data from the database.-->Invalid use of Null", 3));
    EXPECT_THROW(config->saveData(), NumberedError);
}

TEST_F(ConfigurationTest, NamesDifferingOnlyInCaseStopTheValueLoad) {
    raw("INSERT INTO Config (keyName, keyValue) VALUES ('Port', 'COM7')");
    raw("INSERT INTO Config (keyName, keyValue) VALUES ('after', 'x')");
    auto config = load();
    EXPECT_EQ(config->portName(), "COM1");
    EXPECT_EQ(config->getConfigValue("after", "unread"), "unread");
    EXPECT_TRUE(
        loggedAt("Can't load the configuration data from the database.-->"
                 "This key is already associated with an element of this collection",
                 3));
}

TEST_F(ConfigurationTest, StoredValuesAreServedFromMemoryAndWrittenAtOnce) {
    auto config = load();
    EXPECT_EQ(config->getConfigValue("qdx.mmp.count"), "");
    EXPECT_EQ(config->getConfigValue("qdx.mmp.count", "7"), "7");
    config->storeConfigValue("qdx.mmp.count", "O'Neil");
    EXPECT_EQ(raw("SELECT keyValue FROM Config WHERE keyName = 'qdx.mmp.count'"), "O'Neil");
    config->storeConfigValue("QDX.mmp.count", "2");
    EXPECT_EQ(raw("SELECT count(*) FROM Config WHERE keyName = 'qdx.mmp.count'"), "1");
    raw("UPDATE Config SET keyValue = 'behind' WHERE keyName = 'qdx.mmp.count'");
    EXPECT_EQ(config->getConfigValue("qdx.mmp.count"), "2");
    config->removeConfigValue("qdx.mmp.count");
    EXPECT_EQ(raw("SELECT count(*) FROM Config WHERE keyName = 'qdx.mmp.count'"), "0");
    config->removeConfigValue("never.stored");
    EXPECT_FALSE(loggedStartingWith("Can't"));

    config->setUnit(3);
    EXPECT_DOUBLE_EQ(config->gridIncrement(), 0.1);
    config->setUnit(1);
    EXPECT_DOUBLE_EQ(config->gridIncrement(), 100.0);
    config->setUnit(4);
    EXPECT_DOUBLE_EQ(config->gridIncrement(), 0.0);
    config->setCycleCount(123456);
    EXPECT_EQ(raw("SELECT keyValue FROM Config WHERE keyName = 'cycleCount'"), "123456");
    config->removeConfigValue("unit");
    try {
        config->unit();
        FAIL();
    } catch (const NumberedError& e) {
        EXPECT_EQ(e.number(), 13);
    }
}

TEST_F(ConfigurationTest, SaveDataWritesEveryAxisAndRaisesTheEvent) {
    auto config = load();
    std::vector<std::string> sources;
    config->configChanged.connect([&](std::string& s) { sources.push_back(s); });
    std::vector<std::pair<int, std::string>> renamed;
    config->setAxisRenamed([&](int16_t n, const std::string& name) { renamed.emplace_back(n, name); });
    auto y = config->motorsData()->item(2);
    y->setName("Y axis 'left'");
    y->setSlideData(config->slidesData()->item("17"));
    y->outputLabels().item(4) = "Clamp";
    y->setTuningValue(2, 9);
    y->setNegativeHomingOffset(-1.5);
    config->motorsData()->item(3)->setSlideData(nullptr);
    config->saveData();
    EXPECT_EQ(sources, std::vector<std::string>{"config"});
    EXPECT_NE(std::find(renamed.begin(), renamed.end(), std::make_pair(2, std::string("Y axis 'left'"))), renamed.end())
        << "the listener hears of every named axis";
    EXPECT_EQ(raw("SELECT name FROM Motor WHERE motorKey = 2"), "Y axis 'left'");
    EXPECT_EQ(raw("SELECT slideKey FROM Motor WHERE motorKey = 2"), "17");
    EXPECT_EQ(raw("SELECT out4 FROM Motor WHERE motorKey = 2"), "Clamp");
    EXPECT_EQ(raw("SELECT ki FROM Motor WHERE motorKey = 2"), "9");
    EXPECT_EQ(raw("SELECT negativeHomingOffset FROM Motor WHERE motorKey = 2"), "-1.5");
    EXPECT_EQ(raw("SELECT slideKey FROM Motor WHERE motorKey = 3"), "-31913");
    config->saveData(false);
    EXPECT_EQ(sources.size(), 1u);

    config->reload();
    EXPECT_NE(config->motorsData()->item(2), y);
    EXPECT_EQ(config->motorsData()->item(2)->name(), "Y axis 'left'");
    EXPECT_EQ(config->motorsData()->item(3)->SlideData(), nullptr);
}

TEST_F(ConfigurationTest, SaveDataLogsARecordWhoseRowIsGone) {
    auto config = load();
    raw("DELETE FROM Motor WHERE motorKey = 5");
    config->saveData();
    EXPECT_TRUE(loggedAt("Can't save the motor data in the database.-->MotorData not updated correctly", 3));
}

TEST_F(ConfigurationTest, LoadsSimulatedInputs) {
    raw("INSERT INTO Simulation (motorKey, in1, in2, in3) VALUES (2, ' 1 ', '', NULL)");
    auto config = load();
    auto sim = config->getSimulationData(2);
    ASSERT_NE(sim, nullptr);
    EXPECT_EQ(sim->simulatedInputs(1), "1");
    EXPECT_EQ(sim->simulatedInputs(2), "");
    EXPECT_EQ(sim->simulatedInputs(3), "");
    EXPECT_EQ(config->getSimulationData(5), nullptr);
}

TEST_F(ConfigurationTest, MissingTablesAreLoggedAndLeaveEmptyCollections) {
    raw("DROP TABLE Slide");
    auto config = load();
    EXPECT_EQ(config->slidesData()->count(), 0u);
    EXPECT_TRUE(loggedAt("Can't load the slide data from the database.-->no such table: Slide", 3));
    // Axes refer to slides that are not there: the motor load stops at once.
    EXPECT_EQ(config->motorsData()->count(), 0u);
    EXPECT_EQ(config->unit(), 2);
}

}  // namespace
}  // namespace vek::test
