// A user program, written as a test, that drives the simulated gantry through
// Commands only: homing, the three kinds of single-axis moves, a wait ended
// by another motor's input, a line and a stored path in a user coordinate
// system, a value kept across a restart, a timer in virtual time and a
// program stop ending a wait.
#include <gtest/gtest.h>

#include "CommandsTestFixture.h"
#include "vek/geometry/Path.h"
#include "vek/persistence/DataSets.h"
#include "vek/persistence/Database.h"

namespace vek::test {
namespace {

TEST_F(CommandsTest, UserProgramDrivesTheGantryThroughCommands) {
    // Input 1 of motor 1 follows output 1 of motor 2.
    execute("INSERT INTO Simulation (motorKey, in1) VALUES (1, '2Y1')");
    connect(3);
    auto& c = commands();

    c.Calibrate();
    EXPECT_EQ(positions(), "0 0 0");
    c.DoPositionMove(1, 50, 20, 100);  // mm, mm/s, mm/s²
    c.DoRelativeMove(2, 10, 20, 100);
    EXPECT_TRUE(c.WaitForStop(1));
    EXPECT_TRUE(c.WaitForStop(2));
    c.DoRelativeMove(2, -5, 20, 100);
    EXPECT_TRUE(c.WaitForStop());
    EXPECT_EQ(positions(), "20000 2000 0");

    // Axis 3 runs until the host sets output 1 of motor 2 a second later.
    after(1.0, [&] { c.SetSwitch(2, "Out1", 1); });
    c.DoVelocityMove(3, 1, 10, 100);
    EXPECT_TRUE(c.WaitForStop(3, 1, "In1", 1));
    EXPECT_FALSE(motor(3).isMoving());
    EXPECT_NEAR(motor(3).position(), 4000, 400);
    EXPECT_EQ(c.CheckSwitch(1, "In1"), 1);
    EXPECT_EQ(c.CheckSwitch(2, "Out1", false), 1);

    // The user system: turned a quarter about Z, then 60 mm along X.
    c.RotateAxis(90, 3);
    c.ShiftAxis(60, 0, 0, true);
    c.DoLine(point(5, 0, 0), 20, 100);
    EXPECT_EQ(positions(), "24000 2000 0");
    auto stored = polyline({at(0, 0, 0), at(4000, 0, 0), at(4000, 4000, 0)}, "corner");
    ASSERT_TRUE(runtime().dataSets->GLOBAL_DATASET()->storePath(stored));
    const auto path = slides().getPathFromNodePath(stored);
    std::string drawn;
    c.pathEvent.connect([&](std::string& name) { drawn += name; });
    c.ApplyTransformationToPath(path);
    c.DoPath(path, 20, 100);
    EXPECT_EQ(positions(), "20000 4000 0");
    EXPECT_EQ(drawn, "corner");
    EXPECT_EQ(c.MinOfPath(path, 1), 50.0);
    EXPECT_EQ(c.MaxOfPath(path, 1), 60.0);
    const auto here = c.CurrentPoint();
    EXPECT_EQ(here->name() + " " + toText(here->x()) + " " + toText(here->y()) + " " + toText(here->z()),
              "CURRENT_POINT 50 10 0");
    // vekctl commands shows the texts of the moves before; these are the path's.
    EXPECT_TRUE(loggedAllAt(
        messages(), LogLevel::DISPLAYONLY,
        {"Executing DoLine command to point P", "DoLine command done.", "Applied transformation to the path ->corner",
         "Executing DoPath command for path corner", "DoPath command done."}));

    // A timer in virtual time; restarted when read with reset.
    c.StartTimer("cycle");
    eventLoop().wait(2.5);
    EXPECT_DOUBLE_EQ(c.ElapsedTimer("cycle", true), 2.5);
    EXPECT_DOUBLE_EQ(c.ElapsedTimer("cycle"), 0.0);

    // StopProgram from the host ends a wait without time-out; the next wait
    // works and times out.
    after(1.0, [&] { c.StopProgram(); });
    EXPECT_EQ(failure([&] { c.WaitForSwitch(1, "In2", 1); }), "5 QDX: Exiting WaitForSwitch command.");
    EXPECT_FALSE(c.programStopRequested());
    EXPECT_FALSE(c.WaitForSwitch(1, "In2", 1, 2));
    EXPECT_TRUE(loggedAt(messages(), "InputSwitch In2 didn't get value = 1 in 2 seconds.", LogLevel::WARNING));

    // Reset: back to the world system, motors stopped.
    c.Reset();
    EXPECT_EQ(runtime().coordinates->system(), COORDINATE_SYSTEM::WORLD_SYSTEM);

    // Only the persistent value comes back after a restart of the library.
    c.SaveValue("parts", "12", true);
    c.SaveValue("shift", "B");
    restart();
    slides().openConnection(9600, "SIM");
    EXPECT_EQ(commands().GetValue("PARTS") + "|" + commands().GetValue("shift"), "12|");
    EXPECT_TRUE(loggedAt(messages(), "Can't find value for key -> shift", LogLevel::WARNING));
}

}  // namespace
}  // namespace vek::test
