// `vekctl commands` as a process: lines of a user program given with -c or
// piped in, their display texts and results, numbered errors, and the exit
// codes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "support/TempInstall.h"
#include "support/Vekctl.h"

namespace vek::test {
namespace {

namespace fs = std::filesystem;

class VekctlCommands : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vekctl-commands-XXXXXX").string();
        ASSERT_TRUE(::mkdtemp(pattern.data()));
        home_ = pattern;
        // vekctl keeps an existing database: this one's panel takes a free port.
        fs::create_directories(home_ / "data");
        fs::copy_file(fs::path(VEK_STAGE_DIR) / "data/vek.db", home_ / "data/vek.db");
        useFreePanelPort((home_ / "data/vek.db").string());
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(home_, ec);
    }

    // Runs `vekctl commands --home <home> arguments` with `input` on its
    // standard input; returns its output and sets exit_.
    std::string run(const std::string& arguments, const std::string& input = "") {
        const ProcessRun r =
            vekctl("commands --home " + home_.string() + " " + arguments, "printf '%s' '" + input + "' |");
        exit_ = r.exitCode;
        return r.output;
    }

    fs::path home_;
    int exit_ = -1;
};

TEST_F(VekctlCommands, RunsLinesInOrderAndStopsAtTheFirstError) {
    const std::string out = run(R"(-c Calibrate -c "DoPositionMove 1, 10, 5, 5" -c "WaitForStop 1" -c CurrentPoint )"
                                R"(-c 'SaveValue "a, ""b""", 3, True' -c "DoPositionMove 4, 1, 1, 1" -c CurrentPoint)");
    EXPECT_EQ(exit_, 9) << out;
    EXPECT_EQ(out,
              "Homing motors...\nHoming motors done.\n"
              "Executing DoPositionMove command for motor 1\nDoPositionMove command done.\n"
              "Executing WaitForStop command for motor 1\nWaitForStop command done.\n= True\n"
              "= CURRENT_POINT (10, 0, 0)\n"
              "Executing DoPositionMove command for motor 4\nerror 11: Motor Index 4 is invalid.\n");

    // Lines from a pipe, in a new session on the same database.
    EXPECT_EQ(run("", "GetValue \"a, \"\"b\"\"\"\nStopProgram\nCheckSwitch 1, In1, nope\n"),
              "= \"3\"\nrequest to the host: QDX_PROGRAM_STOP\nerror 13: Type mismatch\n");
    EXPECT_EQ(exit_, 9);
    for (const char* line : {"-c Nothing", "-c 'DoPositionMove 1, 2'", "-c 'GetValue a, b'", "-c 'SetSwitch 1, , 1'"}) {
        run(line);
        EXPECT_EQ(exit_, 1) << line;
    }
}

}  // namespace
}  // namespace vek::test
