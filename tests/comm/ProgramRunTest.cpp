// A downloaded program running inside an emulated motor over the real serial
// stack: RUN starts it, what it prints reaches the host through the chain,
// SILENT keeps it in the motor, END stops a program that never ends, and a
// program that faults leaves the motor answering with Bs set.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MotorPrograms.h"
#include "support/ChainFixture.h"
#include "vek/comm/engine/CompiledProgram.h"
#include "vek/comm/engine/ProgramScanner.h"

namespace vek::test {
namespace {

class ProgramRunTest : public ChainTest {
protected:
    void SetUp() override {
        ChainTest::SetUp();
        startChain(3);
        emulator::giveMotorsPrograms(
            chain(), [this](int motor, const std::string& fault) { faults_ += std::to_string(motor) + ": " + fault; });
        open();
    }
    // Compiles `program` and downloads it to `motor`.
    void download(int motor, const std::string& program) {
        const ProgramScan scan = scanProgram(program);
        ASSERT_TRUE(scan.clean()) << program;
        const std::string file = install_->file("prog_" + std::to_string(motor) + ".smx");
        ASSERT_TRUE(writeProgramFile(file, scan.program.toSmx()));
        comm_->download(motor, file);
    }
    // The program's lines until the line falls quiet.
    std::vector<std::string> printedLines() {
        std::vector<std::string> lines;
        for (std::string line = comm_->ReadResponse(); !line.empty(); line = comm_->ReadResponse())
            lines.push_back(line);
        return lines;
    }

    std::string faults_;  // written on the emulator's thread: read it under withMotor
};

TEST_F(ProgramRunTest, RunPrintsThroughTheChainAndSilentKeepsItInTheMotor) {
    // TWAIT waits for the emulated move before the position is reported.
    download(2, "a=P+5 PRINT(\"motor 2 at \",a,#13) MP A=10000 V=1000000 P=500 G TWAIT RP END");
    comm_->WriteCommand("2RUN");
    EXPECT_EQ(printedLines(), (std::vector<std::string>{"motor 2 at 5", "500"}));
    // The other motors hold no program: RUN starts nothing.
    comm_->WriteCommand("3RUN");
    EXPECT_EQ(printedLines(), std::vector<std::string>{});

    comm_->WriteCommand("2SILENT");
    comm_->WriteCommand("2RUN");
    EXPECT_EQ(printedLines(), std::vector<std::string>{});
    comm_->WriteCommand("2TALK");
    EXPECT_EQ(comm_->getResponseOf("2RP"), "500");
}

TEST_F(ProgramRunTest, EndStopsAProgramThatNeverEnds) {
    download(1, "C1 a=a+1 O1=1 WAIT=10 GOTO1 END");
    comm_->WriteCommand("1RUN");
    comm_->WriteCommand("1END");
    EXPECT_EQ(comm_->getResponseOf("1RO1"), "1");
    comm_->WriteCommand("1O1=0");
    // Stopped: nothing sets the output again.
    EXPECT_EQ(comm_->getResponseOf("1RO1"), "0");
    EXPECT_EQ(comm_->getResponseOf("1RO1"), "0");
}

TEST_F(ProgramRunTest, AFaultStopsTheProgramAndSetsTheSyntaxErrorBit) {
    download(3, "PRINT(\"before\",#13) a=0 b=1/a PRINT(\"after\",#13) END");
    comm_->WriteCommand("3RUN");
    EXPECT_EQ(printedLines(), std::vector<std::string>{"before"});
    EXPECT_EQ(comm_->getResponseOf("3RBs"), "1");
    std::string faults;
    chain().withMotor(3, [&](emulator::EmulatedMotor&) { faults = faults_; });
    EXPECT_NE(faults.find("3: division by zero at"), std::string::npos) << faults;
    // The motor still holds its program and runs it again on RUN.
    comm_->WriteCommand("3ZS");
    comm_->WriteCommand("3RUN");
    EXPECT_EQ(printedLines(), std::vector<std::string>{"before"});
}

}  // namespace
}  // namespace vek::test
