// The commands one rule at a time: refusals by argument kind, the ends of
// the waits, stored values, timers, program requests, the transformations
// of the user system, and the developer commands.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <vector>

#include "CommandsTestFixture.h"
#include "vek/commands/DevCommands.h"
#include "vek/foundation/InstallFolder.h"
#include "vek/geometry/Coordinates.h"
#include "vek/geometry/Path.h"
#include "vek/motors/MotorStatus.h"
#include "vek/peripherals/IODataSimulation.h"
#include "vek/persistence/DataSets.h"

namespace vek::test {
namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double INF = std::numeric_limits<double>::infinity();

// Every refusal carries "QDX" and its cause; nothing moves, no
// transformation changes and nothing is announced as done.
TEST_F(CommandsTest, RefusalsNameTheirCauseAndChangeNothing) {
    connect(2);
    auto& c = commands();
    const auto path = slides().getPathFromNodePath(polyline({at(0, 0), at(4000, 0)}));
    const std::string programs = installSubfolder(InstallSubfolder::programs);
    const std::string standing = positions();
    struct Case {
        std::function<void()> call;
        std::string expected;
    };
    const std::vector<Case> cases = {
        // axes
        {[&] { c.DoPositionMove(3, 1, 1, 1); }, "11 QDX: Motor Index 3 is invalid."},
        {[&] { c.DoRelativeMove(0, 1, 1, 1); }, "11 QDX: Motor Index 0 is invalid."},
        {[&] { c.MotorStatus(-1); }, "11 QDX: Motor Index -1 is invalid."},
        {[&] { c.WaitForStop(1, 5, "In1"); }, "11 QDX: Motor Index 5 is invalid."},
        {[&] { c.MinOfPath(path, 9); }, "11 QDX: Motor Index 9 is invalid."},
        // speeds and accelerations
        {[&] { c.DoPositionMove(1, 1, 0, 1); }, "11 QDX: Speed has to be positive number."},
        {[&] { c.DoVelocityMove(1, 1, NaN, 1); }, "11 QDX: Speed has to be positive number."},
        {[&] { c.Calibrate(1, -1, false, 0.0); }, "11 QDX: Speed has to be positive number."},
        {[&] { c.DoLine(point(1, 1, 1), 1, -1); }, "11 QDX: Acceleration has to be positive number."},
        // directions, states, radii, objects, levels, systems, programs
        {[&] { c.DoVelocityMove(1, 0, 1, 1); }, "11 QDX: Direction value can only be +1 or -1."},
        {[&] { c.Calibrate(1, 2); }, "11 QDX: Direction value can only be +1 or -1."},
        {[&] { c.SetSwitch(1, "Out1", 2); }, "11 QDX: Status value can only be 0 or 1."},
        {[&] { c.WaitForSwitch(1, "In1", -1); }, "11 QDX: Status value can only be 0 or 1."},
        {[&] { c.DoPath(path, 1, 1, -0.5); }, "11 QDX: Corner radius can not be negative number."},
        {[&] { c.DoLine(nullptr, 1, 1); },
         "11 QDX: Object is uninitialized. Please assign a new object to the variable."},
        {[&] { c.ApplyTransformationToPath(nullptr); },
         "11 QDX: Object is uninitialized. Please assign a new object to the variable."},
        {[&] { c.LogMessage("x", 5); }, "11 QDX: Log levels can only be 0, 1 (default), 2, 3, 4."},
        {[&] { c.CurrentCoordinateSystem("plane"); },
         "11 QDX: Coordinate system can only be WORLD or USER. plane is not a valid name."},
        {[&] { c.StartProgram("none.sgm"); }, "11 QDX: Program " + programs + "/none.sgm is not found."},
        // values that are no finite number never reach a motor
        {[&] { c.DoPositionMove(1, NaN, 1, 1); }, "11 QDX: Position has to be a finite number."},
        {[&] { c.DoRelativeMove(1, -INF, 1, 1); }, "11 QDX: Distance has to be a finite number."},
        {[&] { c.DoPositionMove(1, 1, INF, 1); }, "11 QDX: Speed has to be a finite number."},
        {[&] { c.DoLine(point(1, 1, 1), 1, INF); }, "11 QDX: Acceleration has to be a finite number."},
        {[&] { c.Calibrate(1, -1, false, INF); }, "11 QDX: Speed has to be a finite number."},
        {[&] { c.DoPositionMove(1, 1e300, 1, 1); }, "6 : Overflow"},
        {[&] { c.ShiftAxis(INF); }, "11 QDX: Shift has to be a finite number."},
        {[&] { c.RotateAxis(NaN); }, "11 QDX: Angle has to be a finite number."},
        {[&] { c.ScaleAxis(1, NaN); }, "11 QDX: Scale has to be a finite number."},
        // switches and motor programs
        {[&] { c.CheckSwitch(1, "Nope"); }, "11 : Input IO Nope is not valid."},
        {[&] { c.CheckSwitch(0, "In1"); }, "11 : Input IO In1 is not valid."},
        {[&] { c.runMotorProgramText(1, "PRINT(1)"); }, "11 QDX: Disallowed word PRINT appears in PRINT(1)"},
    };
    for (const auto& [call, expected] : cases) EXPECT_EQ(failure(call), expected);
    EXPECT_EQ(positions(), standing);
    EXPECT_FALSE(slides().AllMotors()->isMoving());
    EXPECT_EQ(runtime().coordinates->system(), COORDINATE_SYSTEM::WORLD_SYSTEM);
    EXPECT_FALSE(loggedStartingWith(messages(), "Do"));
}

// A monitored wait ends on its switch, its time-out or a program stop; a
// stop request ends an unmonitored one; a motor at a limit is a fault. The
// next command works after each.
TEST_F(CommandsTest, WaitsEndAndLeaveTheNextCommandWorking) {
    connect(2);
    auto& c = commands();
    c.Calibrate();
    c.DoVelocityMove(1, 1, 1, 100);
    EXPECT_FALSE(c.WaitForStop(1, 2, "In1", 1, true, 5));
    EXPECT_TRUE(loggedAt(messages(), "WaitForStop resulted in timeout in 5 seconds.", LogLevel::WARNING));
    EXPECT_TRUE(motor(1).isMoving());
    after(1.0, [&] { c.StopProgram(); });
    EXPECT_EQ(failure([&] { c.WaitForStop(1, 2, "In1", 1, true, 30); }), "5 QDX: Exiting WaitForStop command.");
    EXPECT_FALSE(c.programStopRequested());
    // Without a time-out the program stop is not watched: the input ends it.
    after(1.0, [&] {
        c.StopProgram();
        sim(2).setInputState(1, 1);
    });
    EXPECT_TRUE(c.WaitForStop(1, 2, "In1", 1));
    EXPECT_FALSE(motor(1).isMoving());
    EXPECT_TRUE(c.programStopRequested());

    // StopMotion() stops everything with deceleration and requests a stop.
    c.DoPositionMove(1, 100, 1, 100);
    after(1.0, [&] { c.StopMotion(); });
    EXPECT_TRUE(c.WaitForStop(1));
    EXPECT_TRUE(slides().flags()->stopRequested);
    EXPECT_LT(motor(1).position(), 40000);
    c.DoPositionMove(1, 0, 50, 100);
    EXPECT_TRUE(c.WaitForStop(1));
    EXPECT_EQ(positions(), "0 0");

    // Past the end of the slide the motor stops at its limit: a fault.
    c.DoPositionMove(2, 300, 50, 100);
    EXPECT_EQ(failure([&] { c.WaitForStop(2, 1, "In3", 1); }), "4 QDX: Error encountered while waiting for stop");
}

// Motor index 0 addresses the process-wide external I/O (simulated on the
// simulated gantry, labelled by table IO), for every switch command and for
// the input a wait for stop watches.
TEST_F(CommandsTest, ExternalSwitchesGoThroughTheIOData) {
    execute("INSERT INTO IO (ioNumber, ioName, ioType) VALUES (1, 'Start', 1), (2, 'Door', 1), (1, 'Lamp', 2)");
    connect(1);
    auto& c = commands();
    const auto io = std::dynamic_pointer_cast<IODataSimulation>(runtime().ioData);
    ASSERT_TRUE(io);
    const auto input = [&](int16_t n) { return io->ios(IOTypes::DIGITAL_INPUT)->item(n); };
    c.SetSwitch(0, "Lamp", 1);
    EXPECT_TRUE(io->getOutputState(1));
    EXPECT_EQ(c.CheckSwitch(0, "Lamp", false), 1);
    EXPECT_EQ(c.CheckSwitch(0, "Door"), 0);
    after(1.0, [&] { input(1)->setState(true); });
    EXPECT_TRUE(c.WaitForSwitch(0, "Start", 1));
    sim(1).setRealTimePosition(40000);  // mid-stroke: a simulated slide powers up anywhere
    c.DoVelocityMove(1, 1, 5, 100);
    after(1.0, [&] { input(2)->setState(true); });
    EXPECT_TRUE(c.WaitForStop(1, 0, "Door", 1, true, 10));
    EXPECT_FALSE(motor(1).isMoving());
    EXPECT_EQ(failure([&] { c.CheckSwitch(0, "Nope"); }), "11 : Input IO Nope is not valid.");
    EXPECT_TRUE(loggedAllAt(
        messages(), LogLevel::DISPLAYONLY,
        {"Setting outputSwitch Lamp on external IO to have status = 1", "Checking outputSwitch Lamp on external IO.",
         "Checking inputSwitch Door on external IO.", "Waiting for inputSwitch Start on external IO to have status = 1",
         "WaitForSwitch command done.", "WaitForStop command done."}));
}

// Stored values with and without persistence, timers, and the requests the
// host carries out for user programs.
TEST_F(CommandsTest, ValuesTimersAndProgramRequests) {
    load(2);
    auto& c = commands();
    auto& config = *runtime().configuration;
    EXPECT_EQ(c.GetValue("missing"), "");
    c.SaveValue("a", "1");
    c.SaveValue("A", "2");
    c.SaveValue("kept", "x", true);
    EXPECT_EQ(c.GetValue("a") + "|" + config.getConfigValue("qdx.mmp.kept"), "2|x");
    c.RemoveValue("kept");
    EXPECT_FALSE(config.containsConfigKey("qdx.mmp.kept"));
    EXPECT_EQ(c.GetValue("kept"), "");
    EXPECT_EQ(c.ElapsedTimer("none"), 0.0);
    EXPECT_TRUE(loggedAllAt(messages(), LogLevel::WARNING,
                            {"Can't find value for key -> missing", "Can't find value for key -> kept",
                             "First start timer with StartTimer. TimerKey none is not found."}));

    const std::string programs = installSubfolder(InstallSubfolder::programs);
    std::filesystem::create_directories(programs);
    std::ofstream(programs + "/cycle.sgm") << "DoLine\n";
    std::string requests;
    c.advancedCommandsEvent.connect(
        [&](std::string& command, std::string& args) { requests += command + " " + args + "|"; });
    c.StopProgram();
    EXPECT_TRUE(c.programStopRequested());
    c.StartProgram("cycle.sgm");
    EXPECT_FALSE(c.programStopRequested());
    c.pauseProgram("cycle.sgm", true);
    c.pauseProgram("cycle.sgm", false);
    c.StopProgram("cycle.sgm");
    const std::string path = programs + "/cycle.sgm";
    EXPECT_EQ(requests, "QDX_PROGRAM_STOP |QDX_PROGRAM_START " + path + "|QDX_PROGRAM_PAUSE " + path +
                            ",true|QDX_PROGRAM_PAUSE " + path + ",false|QDX_PROGRAM_STOP " + path + "|");
    EXPECT_FALSE(c.programStopRequested());

    // A refused mail is logged, not raised.
    c.SendMail("127.0.0.1:1", "ops@example.com", "cycle done");
    EXPECT_TRUE(loggedAt(messages(), "Sending email to ->ops@example.com", LogLevel::DISPLAYONLY));
}

// A program text is built, downloaded and started on its motor through a
// temporary file in the programs folder that is gone afterwards; a text
// with errors reaches no motor.
TEST_F(CommandsTest, MotorProgramTextRunsOnItsMotor) {
    connect(2);
    auto& c = commands();
    c.runMotorProgramText(2, "C1 a=a+1 RETURN\nGOSUB1 END");
    const auto stored = sim(2).storedProgram();
    EXPECT_FALSE(stored.empty());
    EXPECT_TRUE(sim(2).isProgramRunning());
    EXPECT_TRUE(sim(1).storedProgram().empty());
    EXPECT_EQ(failure([&] { c.runMotorProgramText(2, "GOSUB7\nEND"); }),
              "3 QDX: SingleMotorCode has errors -> Destination label not found. at line 1 column = 6");
    EXPECT_EQ(sim(2).storedProgram(), stored);
    EXPECT_TRUE(std::filesystem::is_empty(installSubfolder(InstallSubfolder::programs)));
}

// Each transformation switches to the user system; its plain form returns
// to the world system and the identity.
TEST_F(CommandsTest, TransformationsOfTheUserSystem) {
    connect(3);
    auto& c = commands();
    auto& coordinates = *runtime().coordinates;
    const auto identity = GeometryMath::getIdentityMatrix(4);
    c.ShiftAxis(1, 2, 3);
    EXPECT_EQ(coordinates.system(), COORDINATE_SYSTEM::USER_SYSTEM);
    const auto& translation = coordinates.matrix()[4];  // rows and columns count from 1
    EXPECT_EQ(each({1, 2, 3}, [&](int column) { return toText(translation[column]); }), "400|800|1200");
    c.ShiftAxis();
    EXPECT_EQ(coordinates.system(), COORDINATE_SYSTEM::WORLD_SYSTEM);
    EXPECT_EQ(coordinates.matrix(), identity);
    c.ReflectAxis(true);
    const auto reflected = coordinates.matrix();
    c.ScaleAxis(-1, 1, 1);
    EXPECT_EQ(reflected, coordinates.matrix());
    for (const auto& reset : std::vector<std::function<void()>>{[&] { c.RotateAxis(); }, [&] { c.ScaleAxis(); },
                                                                [&] { c.ReversePath(false, false, false); },
                                                                [&] { c.RotateAxisAroundPoint(); }}) {
        c.ShiftAxis(1, 0, 0);
        reset();
        EXPECT_EQ(coordinates.system(), COORDINATE_SYSTEM::WORLD_SYSTEM);
        EXPECT_EQ(coordinates.matrix(), identity);
    }
    EXPECT_TRUE(c.CurrentCoordinateSystem("user"));
    EXPECT_EQ(coordinates.system(), COORDINATE_SYSTEM::USER_SYSTEM);
    EXPECT_TRUE(c.CurrentCoordinateSystem("World"));
    EXPECT_EQ(coordinates.system(), COORDINATE_SYSTEM::WORLD_SYSTEM);

    // A quarter turn about (10, 0, 0) mm: the stored point at the origin
    // gets the user values (10, -10, 0) mm; the free point stays as it was.
    auto node = at(0, 0, 0, "origin");
    const auto stored = slides().getPointFromNode(node);
    const auto free = point(1, 2, 3);
    c.RotateAxisAroundPoint(point(10, 0, 0), 90, 3);
    c.ApplyTransformationToPoint(stored);
    c.ApplyTransformationToPoint(free);
    EXPECT_EQ(toText(node->systemAxis(1)) + " " + toText(node->systemAxis(2)), "4000 -4000");
    EXPECT_EQ(toText(free->x()) + " " + toText(free->y()), "1 2");

    // Extents in the world system: X all negative has its maximum at 0.
    c.CurrentCoordinateSystem("WORLD");
    const auto path = slides().getPathFromNodePath(polyline({at(-4000, 800), at(-2000, 1200)}));
    EXPECT_EQ(each({1, 2, 3}, [&](int16_t axis) { return toText(c.MinOfPath(path, axis)); }), "-10|2|0");
    EXPECT_EQ(each({1, 2, 3}, [&](int16_t axis) { return toText(c.MaxOfPath(path, axis)); }), "0|3|0");
    c.ApplyTransformation();
    EXPECT_TRUE(loggedAllAt(
        messages(), LogLevel::DISPLAYONLY,
        {"Applied transformation to the dataset ->Global", "Applied transformation to all the position data."}));
}

// The status object is one and the same; the current point of two axes has
// no Z; servo off names the motor and its brake.
TEST_F(CommandsTest, StatusPointAndServo) {
    connect(2);
    auto& c = commands();
    c.DoPositionMove(2, 5, 20, 100);
    c.WaitForStop(2);
    const auto first = c.MotorStatus(1);
    EXPECT_EQ(c.MotorStatus(2), first);
    EXPECT_EQ(first->motor(), slides().motors()->item(2));
    const auto here = c.CurrentPoint();
    EXPECT_EQ(here->name() + " " + toText(here->y()) + " " + toText(here->z()), "CURRENT_POINT 5 0");
    c.SetServoOff(1, false);
    c.SetServoOff(0);
    EXPECT_TRUE(motor(1).isServoOff());
    EXPECT_TRUE(loggedAllAt(messages(), LogLevel::DISPLAYONLY,
                            {"Setting servo off for MotorX.", "Setting brake off for MotorX.",
                             "Setting servo off for MotorAll.", "Setting brake on for MotorAll."}));
}

// Developer commands speak the motor language on the channel as written, after
// a warning given once; refusals come before anything is sent.
TEST_F(CommandsTest, DevCommandsSpeakTheMotorLanguageOnTheChannel) {
    auto& dev = *runtime().devCommands;
    EXPECT_EQ(failure([&] { dev.ReadSmartMotorResponse(); }), "3 QDX: No connection is open.");
    connect(2);
    commands().DoPositionMove(2, 5, 20, 100);
    commands().WaitForStop(2);
    EXPECT_EQ(dev.ReadSmartMotorResponse(), "");
    dev.WriteSmartMotorCommand(2, "RP");
    EXPECT_EQ(dev.ReadSmartMotorResponse(), "2000");
    EXPECT_EQ(dev.ReadSmartMotorResponse(), "");
    EXPECT_EQ(failure([&] { dev.WriteSmartMotorCommand(3, "RP"); }), "11 QDX: Motor Index 3 is invalid.");
    dev.WriteSmartMotorCommand(1, "RP");
    EXPECT_EQ(dev.ReadSmartMotorResponse(), toText(motor(1).position()));
    const std::string warning =
        "QDXDEV commands are used primarily for experimentations. Please consider using equivalent QDX commands.";
    EXPECT_EQ(countLogged(messages(), warning), 1);
    EXPECT_TRUE(loggedAt(messages(), warning, LogLevel::Error));
}

}  // namespace
}  // namespace vek::test
