// The program scanner: every error and warning code a user can meet in a
// small program, with its line and column; the limits of the error list;
// whatever bytes come in, entries or a program; the ".smx" form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vek/comm/engine/CompiledProgram.h"
#include "vek/comm/engine/ProgramCode.h"
#include "vek/comm/engine/ProgramErrors.h"
#include "vek/comm/engine/ProgramScanner.h"

namespace vek::test {
namespace {

// The entries of a scan as "code@line:column", blank apart.
std::string entries(const std::string& program) {
    std::string text;
    for (const auto& e : scanProgram(program).entries)
        text += (text.empty() ? "" : " ") + std::to_string(e.code) + "@" + std::to_string(e.line) + ":" +
                std::to_string(e.column);
    return text;
}

std::string repeated(const std::string& line, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += line;
    return text;
}

struct Case {
    const char* program;
    const char* expected;
};

TEST(ProgramScanner, ReportsEachMistakeWithItsCodeLineAndColumn) {
    const Case cases[] = {
        {"PRINT(\"abc\nEND\n", "1@1:7"},
        {"PRINT \"x\"\nEND\n", "2@1:7"},
        {"a=(b+1\nEND\n", "3@1:7"},
        {"GOSUB\nEND\n", "4@1:6"},
        {"END\nPRINT(\"abc", "5@2:7"},
        {"PRINT(\"a\" b)\nEND\n", "6@1:11"},
        {"END\na=", "7@2:3"},
        {"PRINT()\nEND\n", "8@1:7"},
        {"PRINT(\"Done\",13)\nEND\n", "9@1:14"},
        {"OCHN(RS3,0,N,9600,1,8,C)\nEND\n", "10@1:6"},
        {"OCHN(RS2,0,X,9600,1,8,C)\nEND\n", "11@1:12"},
        {"OCHN(RS2,0,N,9600,1,8,Q)\nEND\n", "12@1:23"},
        {"PRINT(\"a\",)\nEND\n", "13@1:11"},
        {"OCHN(RS2,0,N,9600)\nEND\n", "14@1:18"},
        {"a=*3\nEND\n", "15@1:3"},
        {"al=5\nEND\n", "16@1:3"},
        {"al[3=1\nEND\n", "17@1:5"},
        {"O11=1\nEND\n", "18@1:2"},
        {"IF a=1\nENDIF\nEND\n", "19@1:5"},
        {"a=b==1\nEND\n", "19@1:4"},
        {"FOO\nEND\n", "20@1:1"},
        {"abcdefghijklm=1\nEND\n", "20@1:1"},
        {"Bt=1\nEND\n", "23@1:1"},
        {"5=a\nEND\n", "23@1:1"},
        {"a=1\n", "24@2:1"},
        {"GOSUB7\nEND\n", "25@1:6"},
        {"IF a\nEND\n", "26@1:1"},
        {"ELSEIF a\nEND\n", "27@1:1"},
        {"ELSE\nEND\n", "28@1:1"},
        {"IF a\nELSE\nELSE\nENDIF\nEND\n", "29@3:1"},
        {"IF a\nELSE\nELSEIF b\nENDIF\nEND\n", "30@3:1"},
        {"ENDIF\nEND\n", "31@1:1"},
        {"WHILE a\nEND\n", "32@1:1"},
        {"WHILE a\n  IF b\nLOOP\nEND\n", "26@2:3"},
        {"LOOP\nEND\n", "33@1:1"},
        {"SWITCH a\nCASE 1\nEND\n", "34@1:1"},
        {"SWITCH a\nb=1\nc=1\nCASE 1\nENDS\nEND\n", "35@2:1"},
        {"CASE 1\nEND\n", "36@1:1"},
        {"DEFAULT\nEND\n", "37@1:1"},
        {"SWITCH a\nDEFAULT\nCASE 1\nENDS\nEND\n", "38@3:1"},
        {"SWITCH a\nDEFAULT\nDEFAULT\nENDS\nEND\n", "39@3:1"},
        {"ENDS\nEND\n", "40@1:1"},
        {"BREAK\nEND\n", "41@1:1"},
        {"O1=2\nEND\n", "103@1:4"},
        {"F=3\nEND\n", "104@1:3"},
        {"PID=5\nEND\n", "105@1:5"},
        {"KS=16\nEND\n", "106@1:4"},
        {"al[51]=1\nEND\n", "107@1:4"},
        {"DOUT=64\nEND\n", "108@1:6"},
        {"aw[102]=1\nEND\n", "109@1:4"},
        {"DUTY=1\nEND\n", "110@1:6"},
        {"SADDR121\nEND\n", "111@1:6"},
        {"ADDR=128\nEND\n", "112@1:6"},
        {"ab[204]=1\nEND\n", "113@1:4"},
        {"ab[0]=200\nEND\n", "114@1:7"},
        {"PRINT(#300)\nEND\n", "115@1:8"},
        {"C1000\nEND\n", "116@1:2"},
        {"AMPS=1024\nEND\n", "117@1:6"},
        {"KP=40000\nEND\n", "118@1:4"},
        {"aw[0]=40000\nEND\n", "119@1:7"},
        {"WAIT=70000\nEND\n", "120@1:6"},
        {"V=-5\nEND\n", "121@1:3"},
        {"P=3000000000\nEND\n", "121@1:3"},
        {"BAUD9601\nEND\n", "123@1:5"},
        {"OCHN(RS2,0,N,9600,1,7,C)\nEND\n", "124@1:21"},
        {"aw[0]=a\nEND\n", "129@1:7"},
        // Several on one text: one error per line, the rest of the line skipped.
        {"a=* b=(\nFOO BAR\nV=-1 A=-1\nEND\n", "15@1:3 20@2:1 121@3:3 121@3:8"},
    };
    for (const Case& c : cases) EXPECT_EQ(entries(c.program), c.expected) << c.program;
}

TEST(ProgramScanner, StopsAtTheLimitsOfItsErrorList) {
    // 25 errors, then "Too many Errors." where the next one was found.
    std::string expected;
    for (int line = 1; line <= 25; ++line) expected += "20@" + std::to_string(line) + ":1 ";
    EXPECT_EQ(entries(repeated("FOO\n", 30)), expected + "21@26:1");
    // Warnings stop being recorded after 25; errors still are.
    const std::string warnings = entries(repeated("V=-1\n", 27) + "FOO\n");
    EXPECT_NE(warnings.find("121@25:3 22@26:3 20@28:1"), std::string::npos) << warnings;
    // Blocks nest 32 deep; the 33rd ends the scan.
    EXPECT_EQ(entries(repeated("IF a\n", 33) + "FOO\n"), "70@33:1");
    EXPECT_EQ(entries(repeated("IF a\n", 32) + repeated("ENDIF\n", 32) + "END\n"), "");
    // Expressions abandoned half-way leave no depth behind for later lines.
    std::string abandoned;
    for (int line = 1; line <= 20; ++line) abandoned += "15@" + std::to_string(line) + ":7 ";
    abandoned.pop_back();
    EXPECT_EQ(entries(repeated("a=((((\n", 20) + "a=(1)\nEND\n"), abandoned);
}

TEST(ProgramScanner, AcceptsTheWholeLanguage) {
    const std::string program =
        "' every statement form once\r\n"
        "ZS BRKSRV SADDR3 F=2 KP=100 KS=3 KG=-50 F 'gains\r\n"
        "OCHN(RS2,0,N,38400,1,8,C) BAUD19200 ECHO RUN?\r\n"
        "MP A=100 V=2000 P=-4000 G TWAIT D=aw[2]*-3 O=0 O3=1 DOUT=63 WAIT=100\r"
        "a=(b+c)*d/-e zzz=al[50]&7|ab[203] aw[101]=-32768 ab[0]=-128\n"
        "C7 IF IN(2)==1 & Bt!=0 GOSUB7 ELSEIF a>=b GOTO7 ELSE Ra RBt RI3 RP Raw[1] ENDIF\n"
        "WHILE a<10 a=a+1 IF a==5 BREAK ENDIF LOOP\n"
        "SWITCH a CASE -1 CASE 2 b=1 BREAK DEFAULT b=2 ENDS\n"
        "PRINT(\"a=\",a,\" \",#13) RETURN END";
    const ProgramScan scan = scanProgram(program);
    EXPECT_EQ(entries(program), "");
    ASSERT_EQ(scan.program.labels.size(), 8u);
    EXPECT_NE(scan.program.labels[7], CompiledProgram::kNoLabel);
    EXPECT_EQ(scan.program.labels[0], CompiledProgram::kNoLabel);

    // A label after the last statement still lands on code: the END that
    // closes every program.
    const ProgramScan tail = scanProgram("END\nC90\n  ' nothing follows");
    ASSERT_TRUE(tail.clean());
    ASSERT_LT(tail.program.labels[90], tail.program.code.size());
    EXPECT_EQ(tail.program.code[tail.program.labels[90]], static_cast<uint8_t>(ProgramOp::End));
}

TEST(ProgramScanner, EndsEveryByteSequenceInEntriesOrAProgram) {
    // Control bytes, bytes above 127, typographic quotes, a NUL, a lone CR,
    // deep parentheses and unary minus, an unterminated everything.
    const std::string texts[] = {
        std::string("\0\x01\x7f\xff", 4),
        "a=\xe2\x80\x98x\xe2\x80\x99\nEND",
        "a=" + repeated("(", 10000) + "1",
        "a=" + repeated("-", 10000) + "b\nEND",
        "al[" + repeated("al[", 5000) + "\nEND",
        repeated("WHILE 1 LOOP ", 5000) + "END",
        repeated("SWITCH a CASE 1 ", 100) + "END",
        "\r\r\r\n\n",
        "",
    };
    for (const std::string& text : texts) {
        const ProgramScan scan = scanProgram(text);
        EXPECT_TRUE(!scan.entries.empty() || !scan.program.code.empty()) << text.substr(0, 40);
        EXPECT_LE(scan.entries.size(), 52u);
        for (const auto& e : scan.entries) EXPECT_EQ(e.message, programErrorMessage(e.code));
    }
    EXPECT_EQ(entries("a=" + repeated("(", 100) + "1" + repeated(")", 100) + "\nEND"), "19@1:67");
    EXPECT_EQ(programErrorMessage(42), "") << "no such code";
}

TEST(CompiledProgram, SmxKeepsTheProgramAndRefusesDamage) {
    const ProgramScan scan = scanProgram("C3\nGOSUB3\nPRINT(\"x\")\nEND\n");
    ASSERT_TRUE(scan.clean());
    const std::vector<uint8_t> smx = scan.program.toSmx();
    const auto back = CompiledProgram::fromSmx(smx);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->labels, scan.program.labels);
    EXPECT_EQ(back->code, scan.program.code);

    std::string why;
    auto damaged = smx;
    damaged.back() ^= 0x01;
    EXPECT_FALSE(CompiledProgram::fromSmx(damaged, &why));
    EXPECT_EQ(why, "a checksum that does not match");
    damaged = smx;
    damaged.pop_back();
    EXPECT_FALSE(CompiledProgram::fromSmx(damaged, &why));
    EXPECT_EQ(why, "sizes that do not add up");
    EXPECT_FALSE(CompiledProgram::fromSmx(std::vector<uint8_t>(smx.begin(), smx.begin() + 10), &why));
    EXPECT_EQ(why, "shorter than the header");
    damaged = smx;
    damaged[0] = 'X';
    EXPECT_FALSE(CompiledProgram::fromSmx(damaged, &why));
    EXPECT_EQ(why, "not a compiled program");

    // The checksum is the common CRC-32 ("123456789" gives CBF43926).
    const std::string check = "123456789";
    EXPECT_EQ(crc32(std::span(reinterpret_cast<const uint8_t*>(check.data()), check.size())), 0xCBF43926u);
}

}  // namespace
}  // namespace vek::test
