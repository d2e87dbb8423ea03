// Program download and upload over a channel's command texts: every way a
// transfer can go wrong leaves the motor's earlier program (and an earlier
// uploaded file) as it was. The round trip byte for byte runs over the serial
// line in ProgramWireTest.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/Expect.h"
#include "support/RecordingChannel.h"
#include "support/TempInstall.h"
#include "vek/comm/engine/CompiledProgram.h"
#include "vek/comm/engine/ProgramScanner.h"
#include "vek/comm/engine/ProgramStore.h"
#include "vek/comm/engine/ProgramTransfer.h"

namespace vek::test {
namespace {

std::vector<uint8_t> compiled(const std::string& program) {
    const ProgramScan scan = scanProgram(program);
    EXPECT_TRUE(scan.clean()) << program;
    return scan.program.toSmx();
}

// Motor 2 of a chain answers the transfer commands from `store`; `fault`
// may change a command on its way (or drop it: return false) and the answer
// on its way back.
class ProgramTransferTest : public ::testing::Test {
protected:
    void SetUp() override {
        channel_.setResponder([this](const std::string& text) -> std::optional<std::string> {
            std::string command = text.substr(1);
            if (text[0] != '2' || (fault_ && !fault_(command))) return std::string();
            return store_.answer(command);
        });
        earlier_ = compiled("a=1\nEND\n");
        store_.setProgram(earlier_);
    }

    std::string write(const std::string& name, const std::vector<uint8_t>& bytes) {
        const std::string path = install_.file(name);
        EXPECT_TRUE(writeProgramFile(path, bytes));
        return path;
    }

    TempInstall install_;
    RecordingChannel channel_;
    ProgramStore store_;
    ProgramTransfer transfer_{channel_};
    std::function<bool(std::string&)> fault_;
    std::vector<uint8_t> earlier_;
};

struct Fault {
    const char* name;
    std::function<bool(std::string&)> fault;
    const char* reason;  // the end of the error's description
};

TEST_F(ProgramTransferTest, AFailedDownloadLeavesTheEarlierProgram) {
    const auto bytes = compiled("PRINT(\"" + std::string(200, 'x') + "\")\nEND\n");
    const std::string file = write("prog_2.smx", bytes);
    const Fault faults[] = {
        {"motor hangs up after two chunks",
         [n = 0](std::string& c) mutable { return c.rfind("LD ", 0) != 0 || ++n <= 2; },
         "chunk 2 was not acknowledged"},
        {"a byte changed on the line",
         [](std::string& c) {
             if (c.rfind("LD 3 ", 0) == 0) c.back() = c.back() == '0' ? '1' : '0';
             return true;
         },
         "the motor computed checksum"},
        {"no answer to LDEND", [](std::string& c) { return c != "LDEND"; }, "the motor did not confirm the program"},
        {"motor refuses to load", [](std::string& c) { return c.rfind("LOAD", 0) != 0; },
         "the motor did not get ready for "},
    };
    for (const Fault& f : faults) {
        fault_ = f.fault;
        const NumberedError e = raised([&] { transfer_.download(2, file); });
        EXPECT_EQ(e.number(), 2) << f.name;
        EXPECT_NE(e.description().find(f.reason), std::string::npos) << f.name << ": " << e.description();
        EXPECT_EQ(store_.program(), earlier_) << f.name;
        EXPECT_FALSE(store_.isLoading()) << f.name << ": an aborted download is not left half open";
    }
    fault_ = nullptr;
    // Bytes that are no compiled program, and a file that is missing.
    std::vector<uint8_t> damaged = bytes;
    damaged[20] ^= 0xFF;
    EXPECT_TRUE(raisesNumbered(
        2, [&] { transfer_.download(2, write("bad_2.smx", damaged)); },
        "Program download of motor 2 failed: " + install_.file("bad_2.smx") + " is not a compiled program"));
    EXPECT_TRUE(raisesNumbered(53, [&] { transfer_.download(2, install_.file("none_2.smx")); }));
    EXPECT_EQ(store_.program(), earlier_);
}

TEST_F(ProgramTransferTest, AFailedUploadLeavesTheEarlierFile) {
    const std::string back = write("back.smx", {1, 2, 3});
    const Fault faults[] = {
        {"an uploaded chunk damaged", [](std::string&) { return true; }, "checksum"},
        {"motor silent after the announcement", [](std::string& c) { return c == "UPLOAD"; },
         "no answer for the bytes from 0"},
    };
    channel_.setResponder([&, this](const std::string& text) -> std::optional<std::string> {
        std::string command = text.substr(1);
        if (!fault_(command)) return std::string();
        std::string answer = *store_.answer(command);
        if (command == "UL 0") answer[0] = answer[0] == 'A' ? 'B' : 'A';
        return answer;
    });
    for (const Fault& f : faults) {
        fault_ = f.fault;
        const NumberedError e = raised([&] { transfer_.upload(2, back); });
        EXPECT_EQ(e.number(), 2) << f.name;
        EXPECT_NE(e.description().find(f.reason), std::string::npos) << f.name << ": " << e.description();
        EXPECT_EQ(readProgramFile(back), std::vector<uint8_t>({1, 2, 3})) << f.name;
    }
}

TEST(ProgramStore, RefusesWhatNoMotorWouldTake) {
    ProgramStore store(64);
    const std::string crc = crcText(0);
    const std::pair<const char*, const char*> answers[] = {
        {"LOAD 65 00000000", "REFUSED size"},
        {"LOAD 0 00000000", "REFUSED size"},
        {"LOAD x 00000000", "REFUSED format"},
        {"LOAD 4 123", "REFUSED format"},
        {"LD 0 00", "NAK 0"},
        {"LDEND", "BAD 00000000"},
        {"LOAD 4 00000000", "READY"},
        {"LD 1 00", "NAK 1"},
        {"LD 0 0G", "NAK 0"},
        {"LD 0 0000000000", "NAK 0"},
        {"LD 0 00000000", "ACK 0"},
        {"LDEND", "BAD 2144DF1C"},
        {"UPLOAD", "0 00000000"},
        {"UL 1", "NAK"},
    };
    for (const auto& [command, answer] : answers) EXPECT_EQ(store.answer(command), answer) << command;
    EXPECT_FALSE(store.answer("RP"));
}

}  // namespace
}  // namespace vek::test
