#include "PersistenceTest.h"
#include "support/Each.h"
#include "vek/persistence/Configuration.h"

namespace vek::test {
namespace {

class ConfigurationTest : public PersistenceTest {
protected:
    Configuration& load() {
        runtime().configuration = std::make_shared<Configuration>(runtime().database);
        return *runtime().configuration;
    }
    // Key, name, input and output labels and tuning values 1 and 3 of axis `n`.
    std::string axis(std::size_t n) {
        auto a = runtime().configuration->motorsData()->item(n);
        return std::to_string(a->key()) + "/" + std::to_string(a->dbKey()) + " " + a->name() + " " +
               std::to_string(a->inputLabels().count()) + "/" + std::to_string(a->outputLabels().count()) + " " +
               std::to_string(a->tuningValue(1)) + "/" + std::to_string(a->tuningValue(3));
    }
};

// The install's database, with two axes too many (the first eight by key
// are read) and the simulated inputs of axis 2.
TEST_F(ConfigurationTest, LoadsTheInstallDatabaseWithAtMostEightAxes) {
    raw("INSERT INTO Motor (name) VALUES ('Extra9'), ('Extra10'); UPDATE Motor SET name = '  Spindle  ' WHERE "
        "motorKey = 2; INSERT INTO Simulation (motorKey, in1, in2, in3) VALUES (2, ' 1 ', '', NULL)");
    auto& config = load();
    EXPECT_EQ(config.slidesData()->count(), 32u);
    EXPECT_EQ(joined(*config.distinctSlidesData()), "JP65|JP90|WX21|WX75");
    ASSERT_EQ(config.motorsData()->count(), 8u);
    EXPECT_EQ(axis(1) + ", " + axis(2) + ", " + axis(8),
              "1/1 Motor1 12/10 70/500, 2/2 Spindle 12/10 70/500, 8/8 Motor8 12/10 70/500");
    EXPECT_EQ(config.motorsData()->item("1")->getOutputLabelIndex("Out7"), 7);
    EXPECT_DOUBLE_EQ(config.MOTOR_X_PITCH(), 10.0);
    EXPECT_EQ(std::to_string(config.MOTOR_X_TYPE()) + " " + std::to_string(config.unit()) + " " +
                  std::to_string(config.cycleCount()) + " " + config.portName() + " " +
                  config.getConfigValue("softwareMotors"),
              "2 2 0 COM1 3");
    EXPECT_EQ(joined(*config.availablePorts()), "COM1|COM2|COM3|COM4|COM5|COM6|COM7|COM8|COM9");
    auto sim = config.getSimulationData(2);
    ASSERT_NE(sim, nullptr);
    EXPECT_EQ(each({1, 2, 3}, [&](int16_t i) { return sim->simulatedInputs(i); }), "1||");
    EXPECT_EQ(config.getSimulationData(5), nullptr);
    EXPECT_FALSE(loggedStartingWith("Can't"));
}

TEST_F(ConfigurationTest, AxesWithoutSlideAndOldRowsWithoutNewOutputs) {
    raw("UPDATE Motor SET slideKey = NULL WHERE motorKey = 1; UPDATE Motor SET slideKey = -31913 WHERE motorKey = 2; "
        "UPDATE Motor SET out7 = NULL, out8 = NULL, out9 = NULL, out10 = NULL WHERE motorKey = 3");
    auto& config = load();
    EXPECT_TRUE(!config.motorsData()->item(1)->SlideData() && !config.motorsData()->item(2)->SlideData());
    EXPECT_EQ(config.motorsData()->item(4)->SlideData()->model(), "JP65");
    EXPECT_TRUE(raisesNumbered(
        91, [&] { config.MOTOR_X_PITCH(); }, "Object variable or With block variable not set"));
    auto& outs = config.motorsData()->item(3)->outputLabels();
    EXPECT_EQ(outs.item(8) + " " + outs.item(10), "Out8 Out10");
}

// A null input label or two value names differing only in case stop the
// load at that row, logged; the tables missing altogether leave collections
// empty.
TEST_F(ConfigurationTest, RowsThatCannotBeReadStopTheLoadThere) {
    raw("UPDATE Motor SET in3 = NULL WHERE motorKey = 4; "
        "INSERT INTO Config (keyName, keyValue) VALUES ('Port', 'COM7'), ('after', 'x')");
    auto& config = load();
    EXPECT_EQ(config.motorsData()->count(), 3u);
    EXPECT_TRUE(raisesNumbered(
        9, [&] { config.saveData(); }, "Subscript out of range"));
    EXPECT_EQ(config.portName() + " " + config.getConfigValue("after", "unread"), "COM1 unread");
    EXPECT_TRUE(loggedAllAt(messages(), 3,
                            {"Can't load the motor data from the database.-->Invalid use of Null",
                             "Can't load the configuration data from the database.-->"
                             "This key is already associated with an element of this collection"}));
    raw("DROP TABLE Slide");
    auto& without = load();
    EXPECT_EQ(without.slidesData()->count(), 0u);
    EXPECT_TRUE(loggedAt("Can't load the slide data from the database.-->no such table: Slide", 3));
    // Axes refer to slides that are not there: the motor load stops at once.
    EXPECT_EQ(without.motorsData()->count(), 0u);
    EXPECT_EQ(without.unit(), 2);
}

TEST_F(ConfigurationTest, StoredValuesAreServedFromMemoryAndWrittenAtOnce) {
    auto& config = load();
    const std::string stored =
        "SELECT count(*) || '/' || ifnull(keyValue, '') FROM Config WHERE keyName = 'qdx.mmp.count'";
    EXPECT_EQ(config.getConfigValue("qdx.mmp.count") + "/" + config.getConfigValue("qdx.mmp.count", "7"), "/7");
    config.storeConfigValue("qdx.mmp.count", "O'Neil");
    EXPECT_EQ(raw(stored), "1/O'Neil");
    config.storeConfigValue("QDX.mmp.count", "2");
    EXPECT_EQ(raw(stored), "1/2");
    raw("UPDATE Config SET keyValue = 'behind' WHERE keyName = 'qdx.mmp.count'");
    EXPECT_EQ(config.getConfigValue("qdx.mmp.count"), "2");
    config.removeConfigValue("qdx.mmp.count");
    EXPECT_EQ(raw(stored), "0/");
    config.removeConfigValue("never.stored");
    EXPECT_FALSE(loggedStartingWith("Can't"));

    EXPECT_EQ(each({3, 1, 4}, [&](int16_t unit) { return config.setUnit(unit), config.gridIncrement(); }), "0.1|100|0");
    config.setCycleCount(123456);
    EXPECT_EQ(raw("SELECT keyValue FROM Config WHERE keyName = 'cycleCount'"), "123456");
    config.removeConfigValue("unit");
    EXPECT_TRUE(raisesNumbered(
        13, [&] { config.unit(); }, "Type mismatch"));
}

TEST_F(ConfigurationTest, SaveDataWritesEveryAxisAndRaisesTheEvent) {
    auto& config = load();
    std::string sources, renamed;
    config.configChanged.connect([&](std::string& s) { sources += s + ";"; });
    config.setAxisRenamed([&](int16_t n, const std::string& name) { renamed += std::to_string(n) + "=" + name + ";"; });
    auto y = config.motorsData()->item(2);
    y->setName("Y axis 'left'");
    y->setSlideData(config.slidesData()->item("17"));
    y->outputLabels().item(4) = "Clamp";
    y->setTuningValue(2, 9);
    y->setNegativeHomingOffset(-1.5);
    config.motorsData()->item(3)->setSlideData(nullptr);
    config.saveData();
    EXPECT_EQ(sources, "config;");
    EXPECT_NE(renamed.find("2=Y axis 'left';"), std::string::npos) << "the listener hears of every named axis";
    EXPECT_EQ(raw("SELECT name || '/' || slideKey || '/' || out4 || '/' || ki || '/' || negativeHomingOffset || '/' || "
                  "(SELECT slideKey FROM Motor WHERE motorKey = 3) FROM Motor WHERE motorKey = 2"),
              "Y axis 'left'/17/Clamp/9/-1.5/-31913");
    config.saveData(false);
    EXPECT_EQ(sources, "config;");

    config.reload();
    EXPECT_NE(config.motorsData()->item(2), y);
    EXPECT_EQ(config.motorsData()->item(2)->name(), "Y axis 'left'");
    EXPECT_EQ(config.motorsData()->item(3)->SlideData(), nullptr);

    raw("DELETE FROM Motor WHERE motorKey = 5");
    config.saveData();
    EXPECT_TRUE(loggedAt("Can't save the motor data in the database.-->MotorData not updated correctly", 3));
}

}  // namespace
}  // namespace vek::test
