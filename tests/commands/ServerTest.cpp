// Server hands out the process-wide objects that start-up made, in the order
// of the start-up table; the database step's objects come later.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "CommandsTestFixture.h"
#include "vek/commands/DevCommands.h"
#include "vek/motion/Server.h"
#include "vek/peripherals/Hmi.h"
#include "vek/peripherals/IIOData.h"

namespace vek::test {
namespace {

// The start-up table; false marks an object whose class vek does not have
// yet (it joins at its place when it lands).
const std::vector<std::pair<std::string, bool>> kStartUpTable = {
    {"Utils", true},       {"User", true},
    {"Log", true},         {"Coordinates", true},
    {"PathCache", true},   {"Measurement", true},
    {"Ethernet", true},    {"ProgramData", true},
    {"Calibration", true}, {"SingleMotorProgram", true},
    {"Commands", true},    {"DevCommands", true},
    {"Error", true},       {"DataImporter", true},
    {"Excel", true},       {"LinearSlides", true},
};

// The objects the database step makes after the datasets, likewise.
const std::vector<std::pair<std::string, bool>> kDatabaseTable = {
    {"Hmi", true}, {"Vision", true}, {"Serial", true}, {"External", true}, {"IOData", true},
};

std::vector<std::string> existing(const std::vector<std::pair<std::string, bool>>& table) {
    std::vector<std::string> names;
    for (const auto& [name, exists] : table)
        if (exists) names.push_back(name);
    return names;
}

TEST_F(CommandsTest, ServerHandsOutTheStartUpObjectsInTableOrder) {
    EXPECT_EQ(joined(runtime().startUpOrder()), joined(existing(kStartUpTable)));

    const Server a;
    const Server b;
    EXPECT_EQ(a.logger(), b.logger());
    EXPECT_EQ(a.Commands(), b.Commands());
    EXPECT_EQ(a.DevCommands(), b.DevCommands());
    EXPECT_EQ(a.getLinearSlides(), b.getLinearSlides());
    EXPECT_EQ(a.Commands(), runtime().commands);
    EXPECT_TRUE(a.Commands() && a.DevCommands() && a.getLinearSlides());
    EXPECT_TRUE(a.Ethernet() == runtime().ethernet && a.DataImporter() == runtime().dataImporter &&
                a.Excel() == runtime().excel && a.Ethernet() && a.DataImporter() && a.Excel());
    EXPECT_EQ(a.ProgramData(), b.ProgramData());
    EXPECT_EQ(a.SingleMotorProgram(), runtime().singleMotorProgram);
    EXPECT_TRUE(a.ProgramData() && a.SingleMotorProgram());
    EXPECT_FALSE(a.Configuration() || a.DataSets() || a.Vision() || a.External());
    EXPECT_TRUE(runtime().databaseOrder().empty());
    load(2);
    EXPECT_EQ(a.Configuration(), runtime().configuration);
    EXPECT_TRUE(b.DataSets());
    EXPECT_TRUE(a.Serial() && a.Serial() == runtime().serial);
    EXPECT_TRUE(b.Vision() == runtime().vision && b.External() == runtime().external && b.Vision() && b.External());
    EXPECT_EQ(joined(runtime().databaseOrder()), joined(existing(kDatabaseTable)));

    // A host that keeps the command layer past shut-down gets error 91, and
    // a new start makes new objects.
    const auto kept = a.Commands();
    const auto keptDev = a.DevCommands();
    const auto keptPanel = a.Hmi();
    const auto keptIO = a.IOData();
    shutDown();
    // The panel's port is free again.
    EXPECT_EQ(keptPanel->port(), 0);
    EXPECT_EQ(raised([&] { keptPanel->ReadBinary(1); }).number(), 91);
    EXPECT_EQ(raised([&] { keptIO->getInputState(1); }).number(), 91);
    EXPECT_EQ(raised([&] { keptIO->saveIOs(); }).number(), 91);
    EXPECT_TRUE(runtime().startUpOrder().empty());
    EXPECT_TRUE(runtime().databaseOrder().empty());
    EXPECT_EQ(raised([&] { kept->ShiftAxis(1); }).number(), 91);
    EXPECT_EQ(raised([&] { kept->DoPositionMove(1, 1, 1, 1); }).number(), 91);
    EXPECT_EQ(raised([&] { keptDev->ReadSmartMotorResponse(); }).number(), 91);
    startUp();
    EXPECT_NE(Server().Commands(), kept);
}

}  // namespace
}  // namespace vek::test
