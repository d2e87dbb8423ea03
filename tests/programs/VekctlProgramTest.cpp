// `vekctl program` as a process: entries printed as compilers print them,
// the compiled file written only for a clean program, a download on the
// simulated gantry and over a serial chain, and the exit codes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "MotorPrograms.h"
#include "support/ChainFixture.h"
#include "support/SqlFile.h"
#include "support/Vekctl.h"
#include "vek/comm/engine/CompiledProgram.h"

namespace vek::test {
namespace {

namespace fs = std::filesystem;

class VekctlProgram : public VekctlHome {
protected:
    void file(const std::string& name, const std::string& text) {
        std::ofstream((dir_ / name).string(), std::ios::binary) << text;
    }
    // `vekctl program arguments` in the test's folder.
    std::string program(const std::string& arguments) {
        return run("program " + arguments, "cd " + dir_.string() + " &&");
    }
};

TEST_F(VekctlProgram, PrintsEntriesAsCompilersDoAndWritesOnlyACleanProgram) {
    file("bad_2.smp", "C1 RETURN\nGOSUB2\nV=-1\n");
    EXPECT_EQ(program("compile bad_2.smp"),
              "bad_2.smp:2:6: 25 Destination label not found.\n"
              "bad_2.smp:3:3: 121 Constant out of range.  (0 .. 2147483647).\n"
              "bad_2.smp:4:1: 24 \u2018END\u2019 expected.\n"
              "bad_2.smp: 3 entries, nothing written\n");
    EXPECT_EQ(exit_, 15);
    EXPECT_FALSE(fs::exists(dir_ / "bad_2.smx"));
    // `vekctl compile` is the same command.
    EXPECT_EQ(run("compile bad_2.smp", "cd " + dir_.string() + " &&").rfind("bad_2.smp:2:6: 25 ", 0), 0u);
    EXPECT_EQ(exit_, 15);

    file("good_2.smp", "C1 RETURN\nGOSUB1 END\n");
    EXPECT_EQ(program("check good_2.smp"), "");
    EXPECT_EQ(exit_, 0);
    EXPECT_FALSE(fs::exists(dir_ / "good_2.smx")) << "check writes nothing";
    EXPECT_EQ(program("compile good_2.smp --output out.smx").rfind("Wrote out.smx (", 0), 0u);
    EXPECT_EQ(exit_, 0);
    EXPECT_TRUE(fs::exists(dir_ / "out.smx"));

    for (const auto& [arguments, code] : {std::pair{"check none.smp", 16},
                                          {"compile", 1},
                                          {"frobnicate x.smp", 1},
                                          {"generate 9 x.smp", 1},
                                          {"download cycle_9.smp", 16}}) {
        program(arguments);
        EXPECT_EQ(exit_, code) << arguments;
    }
}

TEST_F(VekctlProgram, DownloadsToTheMotorTheFileNames) {
    withDatabase();  // its panel on a free port: another test's vekctl may hold 502
    file("cycle_2.smp", "C1 PRINT(\"cycle\",#13) RETURN\nGOSUB1 END\n");
    // The shipped database has Dravo slides: the file is no table of theirs.
    EXPECT_EQ(program("download cycle_2.smp"), "cycle_2.smp:1:0: 0 Invalid format\n");
    EXPECT_EQ(exit_, 15);
    rowsOf((home_ / "data/vek.db").string(), "UPDATE Slide SET motorType = 1");
    const std::string out = program("run cycle_2.smp");
    EXPECT_EQ(out.rfind("Downloaded cycle_2.smx to motor 2 (", 0), 0u) << out;
    EXPECT_NE(out.find("Started the program of motor 2\n"), std::string::npos) << out;
    // The simulated motor ran it to its end (a RETURN without GOSUB stops it at once).
    EXPECT_NE(out.find("The program of motor 2 ended at "), std::string::npos) << out;
    EXPECT_EQ(exit_, 0);
    EXPECT_EQ(program("generate 1 main_1.smp"), "Wrote main_1.smp\n");
    EXPECT_EQ(exit_, 0);
}

TEST_F(VekctlProgram, DownloadsOverASerialChain) {
    ChainEmulator chain(EmulatorOptions{.motors = 2});
    emulator::giveMotorsPrograms(chain);
    chain.start();
    file("cycle_2.smp", "C1 RETURN\nGOSUB1 END\n");
    const std::string out = program("download cycle_2.smp --port " + chain.portPath());
    EXPECT_EQ(exit_, 0) << out;
    EXPECT_NE(out.find("Downloaded cycle_2.smx to motor 2 on " + chain.portPath()), std::string::npos) << out;
    EXPECT_EQ(readProgramFile((dir_ / "cycle_2.smx").string()), emulator::heldProgram(chain, 2));
    file("cycle_3.smp", "END\n");
    program("download cycle_3.smp --port " + chain.portPath());
    EXPECT_EQ(exit_, 17) << "no motor 3 on the chain";
}

}  // namespace
}  // namespace vek::test
