// Program download and upload over the real serial stack: the serial channel
// on a pseudo-terminal, the chain emulator's motors keeping programs in the
// store of program transfer. Byte for byte, through line faults, and an
// emulator that hangs up mid-transfer leaving the earlier program.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/ChainFixture.h"
#include "support/Expect.h"
#include "vek/comm/engine/CompiledProgram.h"
#include "vek/comm/engine/ProgramScanner.h"
#include "vek/comm/engine/ProgramStore.h"

namespace vek::test {
namespace {

class ProgramWireTest : public ChainTest {
protected:
    // Three emulated motors, each with a program store.
    void SetUp() override {
        ChainTest::SetUp();
        startChain(3);
        for (int m = 1; m <= 3; ++m) {
            auto store = stores_.emplace_back(std::make_shared<ProgramStore>());
            chain().withMotor(m, [store](emulator::EmulatedMotor& motor) {
                motor.commandHook = [store](const std::string& command) { return store->answer(command); };
            });
        }
        open();
    }
    std::vector<uint8_t> held(int motor) {
        std::vector<uint8_t> program;
        chain().withMotor(motor, [&](emulator::EmulatedMotor&) { program = stores_[motor - 1]->program(); });
        return program;
    }
    std::string file(const std::string& name, const std::vector<uint8_t>& bytes) {
        EXPECT_TRUE(writeProgramFile(install_->file(name), bytes));
        return install_->file(name);
    }
    static std::vector<uint8_t> compiled(const std::string& program) {
        const ProgramScan scan = scanProgram(program);
        EXPECT_TRUE(scan.clean()) << program;
        return scan.program.toSmx();
    }

    std::vector<std::shared_ptr<ProgramStore>> stores_;
};

TEST_F(ProgramWireTest, RoundTripByteForByteThroughLineFaults) {
    std::string text = "C1\n";
    for (int i = 0; i < 12; ++i) text += "PRINT(\"step " + std::to_string(i) + "\",#13) WAIT=100\n";
    const auto bytes = compiled(text + "RETURN\nGOSUB1 END\n");
    ASSERT_GT(bytes.size(), 4 * 32u);
    // One answer lost and one echo byte garbled: each costs one more try.
    chain().dropNextAnswer();
    chain().garbleByte(300);
    comm_->download(2, file("prog_2.smx", bytes));
    EXPECT_EQ(held(2), bytes);
    EXPECT_TRUE(held(1).empty() && held(3).empty()) << "only motor 2 was addressed";
    comm_->forceUpload(2, install_->file("back_2.smx"));
    EXPECT_EQ(readProgramFile(install_->file("back_2.smx")), bytes);
}

TEST_F(ProgramWireTest, AnEmulatorThatHangsUpMidTransferLeavesTheEarlierProgram) {
    const auto earlier = compiled("a=1\nEND\n");
    comm_->download(1, file("a_1.smx", earlier));
    const std::string later = file("b_1.smx", compiled("PRINT(\"" + std::string(300, 'x') + "\")\nEND\n"));
    chain().hangUpAfter(400);
    const NumberedError e = raised([&] { comm_->download(1, later); });
    EXPECT_EQ(e.number(), 2);
    EXPECT_NE(e.description().find("Program download of motor 1 failed: chunk "), std::string::npos)
        << e.description();
    EXPECT_NE(e.description().find("Cannot "), std::string::npos) << "names the port's failure: " << e.description();
    EXPECT_EQ(held(1), earlier);
}

}  // namespace
}  // namespace vek::test
