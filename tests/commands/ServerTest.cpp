// Server hands out the process-wide objects that start-up made, in the order
// of the start-up table; the database step's objects come later.
#include <gtest/gtest.h>

#include <algorithm>
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

// How many objects a new Server hands out, of the 21 it has: the database
// step's 7 come with the database.
std::size_t handedOut() {
    const Server s;
    const void* objects[] = {
        s.logger().get(),      s.Utils().get(),           s.User().get(),          s.Coordinates().get(),
        s.Measurement().get(), s.Calibration().get(),     s.Ethernet().get(),      s.ProgramData().get(),
        s.Commands().get(),    s.DevCommands().get(),     s.DataImporter().get(),  s.SingleMotorProgram().get(),
        s.Excel().get(),       s.getLinearSlides().get(), s.Configuration().get(), s.DataSets().get(),
        s.Hmi().get(),         s.Vision().get(),          s.Serial().get(),        s.External().get(),
        s.IOData().get()};
    return std::size(objects) - std::count(std::begin(objects), std::end(objects), nullptr);
}

TEST_F(CommandsTest, ServerHandsOutTheStartUpObjectsInTableOrder) {
    EXPECT_EQ(joined(runtime().startUpOrder()), joined(existing(kStartUpTable)));
    EXPECT_TRUE(runtime().databaseOrder().empty());
    EXPECT_EQ(handedOut(), 14u);
    load(2);
    EXPECT_EQ(handedOut(), 21u);
    EXPECT_EQ(joined(runtime().databaseOrder()), joined(existing(kDatabaseTable)));

    // A host that keeps the command layer, the panel or the I/O past
    // shut-down gets error 91, and
    // a new start makes new objects.
    const Server server;
    const auto kept = server.Commands();
    const auto keptDev = server.DevCommands();
    const auto keptPanel = server.Hmi();
    const auto keptIO = server.IOData();
    shutDown();
    // The panel's port is free again.
    EXPECT_EQ(keptPanel->port(), 0);
    EXPECT_TRUE(runtime().startUpOrder().empty());
    EXPECT_TRUE(runtime().databaseOrder().empty());
    EXPECT_TRUE(eachRaisesNumbered(91, {[&] { kept->ShiftAxis(1); }, [&] { kept->DoPositionMove(1, 1, 1, 1); },
                                        [&] { keptDev->ReadSmartMotorResponse(); }, [&] { keptPanel->ReadBinary(1); },
                                        [&] { keptIO->getInputState(1); }, [&] { keptIO->saveIOs(); }}));
    startUp();
    EXPECT_NE(Server().Commands(), kept);
}

}  // namespace
}  // namespace vek::test
