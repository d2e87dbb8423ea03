// `vekctl program` as a process: entries printed as compilers print them,
// the compiled file written only for a clean program, a download on the
// simulated gantry, and the exit codes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "ChainEmulator.h"
#include "support/Vekctl.h"
#include "vek/comm/engine/CompiledProgram.h"
#include "vek/comm/engine/ProgramStore.h"
#include "vek/persistence/DbConnection.h"

namespace vek::test {
namespace {

namespace fs = std::filesystem;

class VekctlProgram : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vekctl-program-XXXXXX").string();
        ASSERT_TRUE(::mkdtemp(pattern.data()));
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string file(const std::string& name, const std::string& text) {
        std::ofstream((dir_ / name).string(), std::ios::binary) << text;
        return (dir_ / name).string();
    }
    // Runs `vekctl program arguments` in the test's folder; returns its
    // output (standard error included) and sets exit_.
    std::string run(const std::string& arguments) {
        const ProcessRun r =
            vekctl("program " + arguments + " --home " + (dir_ / "home").string(), "cd " + dir_.string() + " &&");
        exit_ = r.exitCode;
        return r.output;
    }

    fs::path dir_;
    int exit_ = -1;
};

TEST_F(VekctlProgram, PrintsEntriesAsCompilersDoAndWritesOnlyACleanProgram) {
    file("bad_2.smp", "C1 RETURN\nGOSUB2\nV=-1\n");
    EXPECT_EQ(run("compile bad_2.smp"),
              "bad_2.smp:2:6: 25 Destination label not found.\n"
              "bad_2.smp:3:3: 121 Constant out of range.  (0 .. 2147483647).\n"
              "bad_2.smp:4:1: 24 \u2018END\u2019 expected.\n"
              "bad_2.smp: 3 entries, nothing written\n");
    EXPECT_EQ(exit_, 15);
    EXPECT_FALSE(fs::exists(dir_ / "bad_2.smx"));

    file("good_2.smp", "C1 RETURN\nGOSUB1 END\n");
    EXPECT_EQ(run("check good_2.smp"), "");
    EXPECT_EQ(exit_, 0);
    EXPECT_FALSE(fs::exists(dir_ / "good_2.smx")) << "check writes nothing";
    EXPECT_EQ(run("compile good_2.smp --output out.smx").rfind("Wrote out.smx (", 0), 0u);
    EXPECT_EQ(exit_, 0);
    EXPECT_TRUE(fs::exists(dir_ / "out.smx"));

    const std::pair<const char*, int> failures[] = {
        {"check none.smp", 16},
        {"compile", 1},
        {"frobnicate x.smp", 1},
        {"generate 9 x.smp", 1},
    };
    for (const auto& [arguments, code] : failures) {
        run(arguments);
        EXPECT_EQ(exit_, code) << arguments;
    }
}

TEST_F(VekctlProgram, DownloadsToTheMotorTheFileNames) {
    file("cycle_2.smp", "C1 PRINT(\"cycle\",#13) RETURN\nGOSUB1 END\n");
    // The shipped database has Dravo slides: the file is no table of theirs.
    EXPECT_EQ(run("download cycle_2.smp"), "cycle_2.smp:1:0: 0 Invalid format\n");
    EXPECT_EQ(exit_, 15);
    DbConnection db;
    db.open((dir_ / "home/data/vek.db").string());
    db.execute("UPDATE Slide SET motorType = 1");
    const std::string out = run("run cycle_2.smp");
    EXPECT_EQ(out.rfind("Downloaded cycle_2.smx to motor 2 (", 0), 0u) << out;
    EXPECT_NE(out.find("Started the program of motor 2\n"), std::string::npos) << out;
    EXPECT_EQ(exit_, 0);
    run("download cycle_9.smp");
    EXPECT_EQ(exit_, 16);
    EXPECT_EQ(run("generate 1 main_1.smp"), "Wrote main_1.smp\n");
    EXPECT_EQ(exit_, 0);
}

TEST_F(VekctlProgram, DownloadsOverASerialChain) {
    emulator::EmulatorOptions options;
    options.motors = 2;
    emulator::ChainEmulator chain(options);
    auto store = std::make_shared<ProgramStore>();
    chain.withMotor(2, [store](emulator::EmulatedMotor& motor) {
        motor.commandHook = [store](const std::string& command) { return store->answer(command); };
    });
    chain.start();
    file("cycle_2.smp", "C1 RETURN\nGOSUB1 END\n");
    const std::string out = run("download cycle_2.smp --port " + chain.portPath());
    EXPECT_EQ(exit_, 0) << out;
    EXPECT_NE(out.find("Downloaded cycle_2.smx to motor 2 on " + chain.portPath()), std::string::npos) << out;
    std::vector<uint8_t> held;
    chain.withMotor(2, [&](emulator::EmulatedMotor&) { held = store->program(); });
    EXPECT_EQ(readProgramFile((dir_ / "cycle_2.smx").string()), held);
    file("cycle_3.smp", "END\n");
    run("download cycle_3.smp --port " + chain.portPath());
    EXPECT_EQ(exit_, 17) << "no motor 3 on the chain";
}

}  // namespace
}  // namespace vek::test
