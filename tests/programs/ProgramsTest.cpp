// Program generation and single-motor programs on the simulated gantry: the
// generated texts for the edge cases of generation, each compiled clean by
// vek's scanner; file names; building, downloading, uploading, running.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "motion/SlidesTestFixture.h"
#include "vek/comm/engine/CompiledProgram.h"
#include "vek/comm/engine/ProgramScanner.h"
#include "vek/foundation/Error.h"
#include "vek/foundation/Files.h"
#include "vek/foundation/InstallFolder.h"
#include "vek/foundation/Log.h"
#include "vek/motors/MotorConstants.h"
#include "vek/motors/MotorSimulation.h"
#include "vek/persistence/MotorData.h"
#include "vek/persistence/SlideData.h"
#include "vek/programs/ProgramData.h"
#include "vek/programs/SingleMotorProgram.h"

namespace vek::test {
namespace {

std::string text(const std::string& path) {
    const auto bytes = readProgramFile(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "<missing>";
}

// The scanner's entries for a file as "code@line:column", blank apart.
std::string scannerEntries(const std::string& path) {
    std::string entries;
    for (const auto& e : scanProgram(text(path)).entries)
        entries += (entries.empty() ? "" : " ") + std::to_string(e.code) + "@" + std::to_string(e.line) + ":" +
                   std::to_string(e.column);
    return entries;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class ProgramsTest : public SlidesTest {
protected:
    void SetUp() override {
        SlidesTest::SetUp();
        // Homing offsets of 5 mm (2000 counts at a 10 mm lead) and 2.5 mm.
        execute("UPDATE Motor SET negativeHomingOffset = 5, positiveHomingOffset = 2.5");
        connect(2);
    }
    ProgramData& data() { return *runtime().programData; }
    SingleMotorProgram& programs() { return *runtime().singleMotorProgram; }
    MotorSimulation& sim(int16_t i) { return dynamic_cast<MotorSimulation&>(motor(i)); }
    std::string programFile(const std::string& name) {
        const std::string folder = installSubfolder(InstallSubfolder::programs);
        std::filesystem::create_directories(folder);
        return folder + "/" + name;
    }
    // `count` nodes at x = 100·k, y = −50·k; speed 33 % and acceleration
    // 47 %, which convert to fractions of motor units.
    static std::shared_ptr<Collection<std::shared_ptr<Node>>> nodes(int count) {
        auto list = std::make_shared<Collection<std::shared_ptr<Node>>>();
        for (int k = 0; k < count; ++k) {
            auto n = at(100 * k, -50 * k);
            n->setMode(static_cast<int16_t>(k % 2));
            n->setSpeed(33);
            n->setAcceleration(47);
            list->add(n);
        }
        return list;
    }
};

TEST_F(ProgramsTest, EveryGeneratedProgramCompilesClean) {
    writeFile(joinPath(installSubfolder(InstallSubfolder::data), "press_template.txt"), "C5 'custom routine\r\nRETURN");
    struct Generated {
        const char* name;
        std::function<void()> generate;
        std::string file;
        std::vector<std::string> lines;  // lines the text must hold
        std::vector<std::string> absent;
    };
    const Generated cases[] = {
        {"SMP of motor 2",
         [&] { data().generateSMP(2, programFile("main_2.smp")); },
         programFile("main_2.smp"),
         {"SADDR2 'motor address\r\n", "KP=70\r\nKI=2\r\nKD=500\r\nKL=1000\r\nKS=3\r\nKV=1000\r\nKA=0\r\nKG=0\r\n",
          "O=-2000\r\n", "O=-1000\r\n", "A=100 V=500000\r\n", "D=-d*4000 G"},
         {"__"}},
        {"BCD of 50 points, one value each",
         [&] { data().generateBCD(nodes(50), programFile("cut.bcd"), 50, 0, 1, 20, 30); },
         programFile("cut_2.smp"),
         {"'50 positions are listed below.\r\nt = 50\r\n", "al[49]=-2450 'position\r\n", "P=al[k]*1", "e=0\r\n",
          "IF 1==1\r\n"},
         {"'Note", "'mode", "__"}},
        {"BCD of 51 points switches to aw",
         [&] { data().generateBCD(nodes(51), programFile("cut.bcd"), 51, 0, 0, 10, 10); },
         programFile("cut_1.smp"),
         {"'Note: Using aw[] array below with multiplication factor of 1.\r\n", "aw[50]=5000 'position\r\n",
          "P=aw[k]*1"},
         {"__"}},
        {"BCD with values per point",
         [&] {
             // A 19.05 mm lead: speeds and accelerations convert to fractions.
             runtime().configuration->motorsData()->item(1)->SlideData()->setPitch(19.05);
             data().generateBCD(nodes(12), programFile("cut.bcd"), 12, 1, 0, 10, 10);
         },
         programFile("cut_1.smp"),
         {"al[44]=1 'mode\r\nal[45]=1100 'position\r\n", "e=-1\r\n"},
         {"__"}},
        {"custom template",
         [&] { data().generateBCD(nodes(2), programFile("press.cus"), 2, 0, 0, 10, 10); },
         programFile("press_1.smp"),
         {"C5 'custom routine\r\n"},
         {"Table runner"}},
        {"no template for .txt",
         [&] { data().generateBCD(nodes(2), programFile("plain.txt"), 2, 0, 0, 10, 10); },
         programFile("plain_1.smp"),
         {"al[1]=100 'position\r\n"},
         {"Table runner"}},
        {"MMP",
         [&] { data().generateMMP(programFile("all.mmp"), "P=4000 G TWAIT", "C9\r\nRETURN"); },
         programFile("all.mmp"),
         {"P=4000 G TWAIT\r\n", "\r\nC9\r\nRETURN"},
         {}},
    };
    for (const Generated& g : cases) {
        g.generate();
        const std::string generated = text(g.file);
        EXPECT_EQ(scannerEntries(g.file), "") << g.name << ":\n" << generated;
        for (const auto& line : g.lines) EXPECT_TRUE(contains(generated, line)) << g.name << ": " << line;
        for (const auto& line : g.absent) EXPECT_FALSE(contains(generated, line)) << g.name << ": " << line;
    }
}

TEST_F(ProgramsTest, FileNamesSayTheMotor) {
    EXPECT_EQ(each<std::string>({"prog_2.smp", "prog2.smp", "prog_3.smp", "_"},
                                [&](const std::string& f) { return programs().getMotorIndexFromFilePath(f); }),
              "2|-1|-1|-1");
    EXPECT_TRUE(loggedAt(messages(), "File name format (fileName_motorIndex.smp) for prog_3.smp is not correct.",
                         LogLevel::Error));
    EXPECT_EQ(programs().getDownloadProgramName("prog_2.smp"), "prog_2.smx");
    EXPECT_EQ(programs().getErrorMessage(117) + "|" + programs().getModeName(1) + "|" + programs().getModeName(2),
              "Constant out of range.  (0 .. 1023) .|Relative|Unknown");
}

TEST_F(ProgramsTest, OnlyACleanBuildReachesTheMotor) {
    const std::string source = programFile("cycle_2.smp");
    const std::string compiled = programFile("cycle_2.smx");
    writeFile(source, "C1 PRINT(\"cycle\",#13) RETURN\r\nGOSUB1 END");
    ASSERT_EQ(programs().build(source), nullptr);
    ASSERT_TRUE(programs().download(2, source));
    const auto stored = sim(2).storedProgram();
    EXPECT_EQ(readProgramFile(compiled), stored);
    EXPECT_TRUE(programs().upload(2, programFile("back_2.smx")));
    EXPECT_EQ(readProgramFile(programFile("back_2.smx")), stored);
    EXPECT_TRUE(programs().run(2));
    EXPECT_TRUE(sim(2).isProgramRunning());
    EXPECT_TRUE(programs().StopProgram(2));
    EXPECT_FALSE(sim(2).isProgramRunning());

    // A faulty source: the last entry of the list, the stale compiled file
    // gone, and a download that finds nothing to send.
    writeFile(source, "GOSUB7\r\nV=-1\r\n");
    const auto fault = programs().build(source);
    ASSERT_NE(fault, nullptr);
    EXPECT_EQ(std::to_string(fault->code()) + "@" + std::to_string(fault->line()) + ":" +
                  std::to_string(fault->column()) + " " + fault->message(),
              "24@4:1 \u2018END\u2019 expected.");
    EXPECT_FALSE(std::filesystem::exists(compiled));
    EXPECT_FALSE(programs().download(2, source));
    EXPECT_EQ(sim(2).storedProgram(), stored);
    // No motor 3, no file, no motor behind the name.
    EXPECT_FALSE(programs().download(3, source));
    EXPECT_FALSE(programs().run(0));
    EXPECT_EQ(programs().build(programFile("none_1.smp"))->code(), 0);
    EXPECT_EQ(programs().build(programFile("cycle_7.smp"))->code(), 0);
}

// The simulated motor runs what it holds: it moves, waits for the move and
// reports, in virtual time; started silent, it keeps the report.
TEST_F(ProgramsTest, TheSimulatedMotorRunsWhatItHolds) {
    const std::string mover = programFile("move_2.smp");
    writeFile(mover, "MP A=1000 V=100000 P=400 G TWAIT PRINT(\"at \",P,#13) RADDR END");
    ASSERT_EQ(programs().build(mover), nullptr);
    ASSERT_TRUE(programs().download(2, mover));
    sim(2).setRealTimePosition(0);  // a simulated slide powers up anywhere
    sim(2).StartProgram(false);
    eventLoop().wait(2);
    EXPECT_FALSE(sim(2).isProgramRunning());
    EXPECT_EQ(motor(2).position(), 400);
    EXPECT_EQ(countLogged(messages(), "Motor[MotorY]->prints at 400"), 1);
    EXPECT_EQ(countLogged(messages(), "Motor[MotorY]->prints 2"), 1);
    sim(2).StartProgram(true);
    eventLoop().wait(2);
    EXPECT_EQ(countLogged(messages(), "Motor[MotorY]->prints at 400"), 1);
}

TEST_F(ProgramsTest, DravoProgramsAreCheckedLineByLine) {
    motor(1).setMotorType(MotorConstants::TYPE_JP);
    const std::string source = programFile("table_1.smp");
    writeFile(source, "' table\r\n\r\nMODE[0]=1 'mode\r\nal[0]=5000\r\nVEL[0]=100000\r\nACC[0]=50");
    EXPECT_EQ(programs().build(source), nullptr);
    EXPECT_EQ(text(programFile("table_1.smx")), "MODE[0]=1\r\nal[0]=5000\r\nVEL[0]=100000\r\nACC[0]=50\r\n");
    writeFile(source, "al[0]=5000\r\nG\r\n");
    const auto fault = programs().build(source);
    ASSERT_NE(fault, nullptr);
    EXPECT_EQ(fault->message() + " " + std::to_string(fault->line()), "Invalid format 2");
    EXPECT_FALSE(std::filesystem::exists(programFile("table_1.smx")));
}

}  // namespace
}  // namespace vek::test
