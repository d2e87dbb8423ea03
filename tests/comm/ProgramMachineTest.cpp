// Compiled motor programs running the way a motor runs them: what they print
// and command, how time passes in WAIT and TWAIT, and the faults that stop a
// program instead of the motor.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vek/comm/engine/ProgramCode.h"
#include "vek/comm/engine/ProgramMachine.h"
#include "vek/comm/engine/ProgramScanner.h"

namespace vek::test {
namespace {

// A motor that records what the program does to it; it moves until
// `movingUntil` and answers P with 1234, inputs with their number times 10.
struct RecordingMotor : ProgramMotor {
    void command(const std::string& text) override { commands += (commands.empty() ? "" : " ") + text; }
    int32_t value(std::string_view word) override { return word == "P" ? 1234 : 0; }
    int32_t input(int32_t n) override { return n * 10; }
    bool moving() override { return now < movingUntil; }
    void print(std::string_view text) override { printed += text; }

    std::string commands;
    std::string printed;
    double now = 0;
    double movingUntil = 0;
};

std::string repeated(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

CompiledProgram compile(const std::string& text) {
    const ProgramScan scan = scanProgram(text);
    EXPECT_TRUE(scan.clean()) << text;
    return scan.program;
}

// Runs the machine from RUN until it stops, at most `seconds` of motor time;
// the time it took.
double runToEnd(ProgramMachine& machine, RecordingMotor& motor, double seconds = 10) {
    machine.start();
    while (machine.running() && motor.now <= seconds) {
        motor.now = std::max(motor.now, machine.due());
        machine.run(motor, motor.now);
    }
    return motor.now;
}

// A machine that ran `program` to its end, and the motor it ran in.
struct Ran {
    ProgramMachine machine;
    RecordingMotor motor;
    explicit Ran(CompiledProgram program) {
        machine.load(std::move(program));
        runToEnd(machine, motor);
        EXPECT_FALSE(machine.running());
    }
};

TEST(ProgramMachine, RunsTheLanguageAsTheMotorDoes) {
    struct Case {
        std::string program;
        const char* printed;
        const char* commands;
    };
    const Case cases[] = {
        {"a=7 b=-3 PRINT(a*b,\" \",a/b,\" \",a-b,\" \",a&b,\" \",a|b,#13) END", "-21 -2 10 5 -1\r", ""},
        {"a=2147483647 a=a+1 PRINT(a) END", "-2147483648", ""},
        {"a=5 IF a>3 PRINT(\"big\") ELSEIF a>1 PRINT(\"mid\") ELSE PRINT(\"small\") ENDIF END", "big", ""},
        {"a=0 WHILE a<5 a=a+1 IF a==3 BREAK ENDIF LOOP Ra END", "3\r", ""},
        {"a=2 SWITCH a CASE 1 PRINT(\"one\") CASE 2 PRINT(\"two\") CASE 3 PRINT(\"three\") BREAK DEFAULT "
         "PRINT(\"other\") ENDS END",
         "twothree", ""},
        {"a=9 SWITCH a CASE 1 PRINT(\"one\") BREAK DEFAULT PRINT(\"other\") ENDS END", "other", ""},
        {"GOSUB4 GOSUB4 END\nC4 a=a+1 Ra RETURN", "1\r2\r", ""},
        {"GOTO7 PRINT(\"skipped\")\nC7 PRINT(\"here\") END", "here", ""},
        // The three arrays share their bytes, little-endian.
        {"al[1]=258 PRINT(aw[2],\" \",ab[4],\" \",ab[5]) ab[0]=-1 PRINT(\" \",ab[0],\" \",aw[0],\" \",al[0]) END",
         "258 2 1 -1 255 255", ""},
        {"a=P+1 b=IN(3) RI2 PRINT(a,\" \",b) END", "20\r1235 30", ""},
        // The deepest expression the compiler takes fits the machine's stack.
        {"b=1 a=" + repeated("b+(", 63) + "b" + repeated(")", 63) + " Ra END", "64\r", ""},
        {"MP V=1000 A=50 P=4000 G O=0 O3=1 SADDR2 BAUD38400 ZS OCHN(RS2,0,N,38400,1,8,C) RUN? END", "",
         "MP V=1000 A=50 P=4000 G O=0 O3=1 SADDR2 BAUD38400 ZS"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        const Ran ran(compile(c.program));
        EXPECT_EQ(ran.machine.fault(), "");
        EXPECT_EQ(ran.motor.printed, c.printed);
        EXPECT_EQ(ran.motor.commands, c.commands);
    }
}

TEST(ProgramMachine, LetsTimePassInWaitAndTwaitAndKeepsVariablesAcrossRuns) {
    ProgramMachine machine;
    RecordingMotor motor;
    motor.movingUntil = 0.25;
    machine.load(compile("a=a+1 G TWAIT WAIT=500 Ra END"));
    EXPECT_NEAR(runToEnd(machine, motor), 0.75, 0.002);
    EXPECT_EQ(motor.printed, "1\r");
    runToEnd(machine, motor);
    EXPECT_EQ(motor.printed, "1\r2\r");
    EXPECT_EQ(machine.variable(0), 2);
}

TEST(ProgramMachine, AProgramThatNeverEndsYieldsAndStopsOnEnd) {
    ProgramMachine machine;
    RecordingMotor motor;
    machine.load(compile("C1 a=a+1 GOTO1 END"));
    machine.start();
    machine.run(motor, 0);
    EXPECT_TRUE(machine.running());
    EXPECT_DOUBLE_EQ(machine.due(), ProgramMachine::kSliceSeconds);
    const int32_t afterOneSlice = machine.variable(0);
    EXPECT_GT(afterOneSlice, 0);
    machine.run(motor, 0.0005);  // not due yet
    EXPECT_EQ(machine.variable(0), afterOneSlice);
    machine.stop();
    EXPECT_EQ(machine.due(), ProgramMachine::kNever);
    machine.run(motor, 1);
    EXPECT_EQ(machine.variable(0), afterOneSlice);
}

TEST(ProgramMachine, StopsOnAFaultThatNamesItsPlace) {
    struct Case {
        std::string program;
        const char* fault;
    };
    const Case cases[] = {
        {"a=0 b=1/a END", "division by zero at 0010"},
        {"a=60 b=al[a] END", "al[60] outside the array at 000B"},
        {"a=-1 ab[a]=3 END", "ab[-1] outside the array at 0010"},
        {"RETURN END", "RETURN without GOSUB at 0000"},
        {"C1 GOSUB1 END", "GOSUB nested too deep at 0000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        EXPECT_EQ(Ran(compile(c.program)).machine.fault(), c.fault);
    }
    // Code no compiler wrote: a jump out of the code, a label never
    // defined, a stack that runs dry, operands cut off, an unknown opcode.
    const std::vector<std::vector<uint8_t>> damaged = {
        {ProgramOp::Jump, 0x40, 0, 0, 0}, {ProgramOp::Goto, 3, 0}, {ProgramOp::Add}, {ProgramOp::Push, 1, 2}, {0xEE},
    };
    for (const auto& code : damaged) EXPECT_NE(Ran(CompiledProgram{{}, code}).machine.fault(), "") << int(code[0]);
}

}  // namespace
}  // namespace vek::test
