// `vekctl commands` as a process: lines of a user program given with -c or
// piped in, their display texts and results, numbered errors, and the exit
// codes.
#include <gtest/gtest.h>

#include "support/Vekctl.h"

namespace vek::test {
namespace {

using VekctlCommands = VekctlHome;

TEST_F(VekctlCommands, RunsLinesInOrderAndStopsAtTheFirstError) {
    withDatabase();
    const std::string out =
        run(R"(commands -c Calibrate -c "DoPositionMove 1, 10, 5, 5" -c "WaitForStop 1" -c CurrentPoint )"
            R"(-c 'SaveValue "a, ""b""", 3, True' -c "DoPositionMove 4, 1, 1, 1" -c CurrentPoint)");
    EXPECT_EQ(exit_, 9) << out;
    EXPECT_EQ(out,
              "Homing motors...\nHoming motors done.\n"
              "Executing DoPositionMove command for motor 1\nDoPositionMove command done.\n"
              "Executing WaitForStop command for motor 1\nWaitForStop command done.\n= True\n"
              "= CURRENT_POINT (10, 0, 0)\n"
              "Executing DoPositionMove command for motor 4\nerror 11: Motor Index 4 is invalid.\n");

    // Lines from a pipe, in a new session on the same database.
    EXPECT_EQ(run("commands", R"(printf '%s\n' 'GetValue "a, ""b"""' StopProgram 'CheckSwitch 1, In1, nope' |)"),
              "= \"3\"\nrequest to the host: QDX_PROGRAM_STOP\nerror 13: Type mismatch\n");
    EXPECT_EQ(exit_, 9);
    for (const char* line : {"-c Nothing", "-c 'DoPositionMove 1, 2'", "-c 'GetValue a, b'", "-c 'SetSwitch 1, , 1'"}) {
        run(std::string("commands ") + line);
        EXPECT_EQ(exit_, 1) << line;
    }
}

}  // namespace
}  // namespace vek::test
