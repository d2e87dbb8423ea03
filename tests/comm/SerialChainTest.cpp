// The serial channel and its engine against the chain emulator on a real
// pseudo-terminal: addressing, queries, rates, faults, the traffic log,
// program transfer.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "MotorPrograms.h"
#include "support/ChainFixture.h"
#include "support/Each.h"
#include "support/Expect.h"
#include "support/LogLines.h"
#include "vek/comm/engine/CompiledProgram.h"
#include "vek/comm/engine/EngineError.h"
#include "vek/comm/engine/MotorEngine.h"
#include "vek/comm/engine/ProgramScanner.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/motors/Motor.h"
#include "vek/motors/MotorConstants.h"

namespace vek::test {
namespace {

using emulator::EmulatedMotor;

class SerialChain : public ChainTest {
protected:
    // A SmartMotor on the open channel.
    std::shared_ptr<Motor> motor(int32_t id) {
        auto m = std::make_shared<Motor>();
        m->setMotorType(MotorConstants::TYPE_SM);
        m->init(id, comm_, MotorConstants::MOTOR_ENCODER_COUNT);
        return m;
    }
    // "number/help context description" of what `call` raised, with the
    // port's name as PORT.
    std::string failure(const std::function<void()>& call) {
        const NumberedError e = raised(call);
        std::string text = e.description();
        for (auto at = text.find(chain().portPath()); at != std::string::npos; at = text.find(chain().portPath()))
            text.replace(at, chain().portPath().size(), "PORT");
        return std::to_string(e.number()) + "/" + std::to_string(e.helpContext()) + " " + text;
    }
    // Each motor as address, "e" with echo on, "z" asleep, and its rate.
    std::string motorStates(int motors) {
        std::string text;
        for (int i = 1; i <= motors; ++i) {
            chain().withMotor(i, [&](EmulatedMotor& m) {
                text += " " + std::to_string(m.address) + (m.echo ? "e" : "") + (m.awake ? "" : "z") + "@" +
                        std::to_string(m.baudRate);
            });
        }
        return text;
    }
};

// Addressing ends with every motor addressed, echoing and awake, whatever
// the chain was left in: fresh, asleep, or at the coordinated-motion rate;
// a fresh chain asked for at 38400 is switched there.
// A highest address of 2 on three motors counts two and leaves the third
// unaddressed but passing the line on. Snapshot: count, then each motor,
// then the answer of the last motor counted.
TEST_F(SerialChain, AddressingFindsTheChainWhateverStateItWasLeftIn) {
    struct Case {
        int motors;
        int32_t highest;
        bool addressed, asleep;
        int32_t rate;
        int32_t hostRate = 9600;
    };
    const auto run = [&](const Case& c) {
        startChain({.motors = c.motors, .baudRate = c.rate, .addressed = c.addressed, .asleep = c.asleep});
        open(c.hostRate, false);
        const int16_t n = comm_->initMotors(c.highest);
        return std::to_string(n) + ":" + motorStates(c.motors) + " " + comm_->getResponseOf(std::to_string(n) + "RSP");
    };
    EXPECT_EQ(each({Case{1, NOT_GIVEN, false, false, 9600}, Case{3, NOT_GIVEN, false, false, 9600},
                    Case{8, 8, false, false, 9600}, Case{3, 2, false, false, 9600}, Case{3, 8, true, true, 9600},
                    Case{2, 8, true, false, 38400}, Case{2, 8, false, false, 9600, 38400}},
                   run),
              "1: 1e@9600 24576/477K|"
              "3: 1e@9600 2e@9600 3e@9600 24576/477K|"
              "8: 1e@9600 2e@9600 3e@9600 4e@9600 5e@9600 6e@9600 7e@9600 8e@9600 24576/477K|"
              "2: 1e@9600 2e@9600 0e@9600 24576/477K|"
              "3: 1e@9600 2e@9600 3e@9600 24576/477K|"
              "2: 1e@9600 2e@9600 24576/477K|"
              "2: 1e@38400 2e@38400 24576/477K");
}

// The bytes of addressing: reset, then SADDR/ECHO/SLEEP per address until
// the echo comes back, ECHO to all while unaddressed motors stand behind
// the highest address, and WAKE.
TEST_F(SerialChain, AddressingBytes) {
    startChain(3);
    open(9600, false);
    comm_->initMotors(2);
    EXPECT_EQ(sent(), "0WAKE 0SADDR0 0ECHO_OFF 0SADDR1 1ECHO 1SLEEP 0SADDR2 2ECHO 2SLEEP 0ECHO 0ECHO 0WAKE");
    comm_->initMotors(3);
    EXPECT_EQ(sent(), "0WAKE 0SADDR0 0ECHO_OFF 0SADDR1 1ECHO 1SLEEP 0SADDR2 2ECHO 2SLEEP 0SADDR3 3ECHO 3SLEEP 0WAKE");
}

// Every kind of answer of the motor vocabulary, read through a real motor:
// 32-bit and 16-bit numbers, Celsius turned Fahrenheit, bits, an exact
// text, the status word as text, buffered values.
TEST_F(SerialChain, QueriesAnswerEachType) {
    startChain(2);
    open();
    chain().withMotor(2, [](EmulatedMotor& m) {
        m.place(-12345);
        m.setTemperature(25);
        m.setInput(3, 1);
    });
    auto m = motor(2);
    m->setVelocity(-2000);
    m->setOutputState(4, 1);
    chain().withMotor(2, [](EmulatedMotor& e) { e.execute("OFF", 0); });
    EXPECT_EQ(std::to_string(m->position()) + " " + toText(m->temperature()) + " " +
                  std::to_string(m->getInputState(3)) + std::to_string(m->getInputState(4)) + " " +
                  std::to_string(m->getOutputState(4)) + " " + std::to_string(m->MaxCurrent()) + " " +
                  std::to_string(m->bufferedVelocity()) + " " + toText(m->isMoving()) + " " + toText(m->isHomed()) +
                  " " + toText(m->isServoOff()) + " " + toText(m->canCommunicate()) + " [" + m->toString() + "]",
              "-12345 77 10 1 1000 2000 False False True True [ Bo - Motor off = True]");
}

// A default move sends exactly its five commands, and the motor gets there.
// Homing a SmartMotor: fast and slow approach to the right limit, 20 counts
// back, one revolution and 5 counts away to catch the index, back to the
// index, origin there. Polls of one wait show once.
TEST_F(SerialChain, MoveAndHomingBytes) {
    startChain({.motors = 2, .timeScale = 200});
    open();
    auto m = motor(2);
    sent();
    m->goToPosition(5000);
    EXPECT_EQ(chain().received(),
              "\x82MP\r\x82P=5000\r\x82"
              "A=100\r\x82V=500000\r\x82G\r");
    EXPECT_TRUE(m->WaitForStop());
    EXPECT_EQ(m->position(), 5000);
    m = motor(1);
    sent();
    EXPECT_TRUE(m->home(0, 1, true, 500000, 100));
    EXPECT_EQ(sent(true),
              "1ZS 1END 1TALK 1ZS 1MP 1A=100 1V=500000 1P=10000000 1y=V 1Ry 1G 1RBt 1RBr "
              "1ZS 1A=100 1V=10000 1P=10000000 1y=V 1Ry 1G 1RBt 1RBr "
              "1ZS 1RP 1MP 1P=39980 1A=100 1V=10000 1G 1RBt "
              "1ZS 1RP 1RI 1RBi 1MP 1P=35975 1A=100 1V=10000 1G 1RBt 1RBm 1RBp 1RBe 1RBi "
              "1RI 1MP 1P=37234 1A=100 1V=10000 1G 1RBt 1RBm 1RBp 1RBe 1ZS 1O=0 1z=1");
    EXPECT_EQ(std::to_string(m->position()) + " " + toText(m->isHomed()), "0 True");
}

// The chain goes to 38400 and back with BAUD and its echo; the host's port
// follows. A rate the motors do not run at is refused with error 4. Closing
// after a fault still puts the chain back at 9600.
TEST_F(SerialChain, BaudSwitchAndBack) {
    startChain(2);
    open();
    sent();
    comm_->setBaudRate(38400);
    EXPECT_EQ(std::to_string(chain().hostBaud()) + motorStates(2) + " " + comm_->getResponseOf("2RSP"),
              "38400 1e@38400 2e@38400 24576/477K");
    comm_->setBaudRate(9600);
    EXPECT_EQ(std::to_string(chain().hostBaud()) + motorStates(2) + " " + comm_->getResponseOf("1RP"),
              "9600 1e@9600 2e@9600 0");
    EXPECT_EQ(sent(), "0BAUD38400 2RSP 0BAUD9600 1RP");
    EXPECT_EQ(failure([&] { comm_->setBaudRate(12345); }),
              "4/6 Can't set baud rate to 12345. [The motors do not run at 12345 baud; they run at 9600, 19200, "
              "38400, 57600 or 115200.]");
    EXPECT_EQ(chain().badFramingBytes(), 0);

    comm_->setBaudRate(38400);
    chain().stopEcho(2);
    EXPECT_EQ(failure([&] { comm_->WriteCommand("2G"); }).substr(0, 4), "1/3 ");
    comm_->ClosePort();
    EXPECT_EQ(motorStates(2) + " " + toText(comm_->isOpen()) + " " + std::to_string(comm_->baudRate()),
              " 1e@9600 2e@9600 False 9600");
}

// Each fault of the line ends within the time-outs in an empty answer (no
// answer in time) or a line fault, with the buffer clear: the next query
// is answered. Snapshot: the outcome, then the next answer.
TEST_F(SerialChain, EachFaultEndsCleanlyAndTheNextCommandWorks) {
    startChain(2);
    open();
    chain().withMotor(2, [](EmulatedMotor& m) { m.place(42); });
    using Arm = std::function<void()>;
    const auto run = [&](const std::function<void()>& arm) {
        arm();
        const auto start = std::chrono::steady_clock::now();
        std::string outcome;
        const std::string failed = failure([&] { outcome = "answer [" + comm_->getResponseOf("2RP") + "]"; });
        if (outcome.empty()) outcome = failed;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_LT(seconds, 1.5) << outcome;
        return outcome + " then " + comm_->getResponseOf("2RP");
    };
    EXPECT_EQ(each<Arm>({[&] { chain().dropNextAnswer(); }, [&] { chain().answerLate(200); },
                         [&] { chain().garbleByte(1); }, [&] { chain().cutAfter(2); }, [&] { chain().stopEcho(1); }},
                        run),
              "answer [] then 42|"
              "answer [] then 42|"
              "1/3 Wrong echo of 2RP on PORT: 82 53 came back for 82 52. then 42|"
              "1/3 No echo of 2RP on PORT after 2 of 4 bytes (82 52 came back); a motor does not pass the line on. "
              "then 42|"
              "1/3 No echo of 2RP on PORT after 0 of 4 bytes (nothing came back); a motor does not pass the line "
              "on. then 42");
}

// A chain that hangs up in the middle of an answer (the adapter pulled
// out) fails that command and every later one with error 1 and the
// system's reason, at once; closing still works, and the port opens again
// once it is back.
TEST_F(SerialChain, APeerThatHangsUpMidAnswer) {
    startChain(2);
    open();
    comm_->setBaudRate(38400);
    chain().withMotor(2, [](EmulatedMotor& m) { m.place(-4711); });
    // The echo of "2RP" is four bytes; two bytes of the answer follow.
    chain().hangUpAfter(6);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(failure([&] { comm_->getResponseOf("2RP"); }), "1/1 Cannot read from PORT (Input/output error).");
    EXPECT_EQ(failure([&] { comm_->WriteCommand("2G"); }), "1/1 Cannot write to PORT (Input/output error).");
    comm_->ClosePort();
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 1.0);
    EXPECT_EQ(toText(comm_->isOpen()) + " " + std::to_string(comm_->baudRate()), "False 9600");
    EXPECT_EQ(failure([&] { comm_->OpenPort(chain().portPath(), 9600); }),
              "1/1 Can't open serial port. Check that other application is not using the same port. [Cannot open "
              "PORT (No such file or directory).]");
    startChain(1);
    open();
    EXPECT_EQ(count_, 1);
}

// Host mode on the engine: points go out while the motors play them; a
// query between points, once the buffers are full and the motors owe the
// host a free place, neither loses that byte nor meets it in its echo.
TEST_F(SerialChain, QueryBetweenPointsOfAFullStream) {
    startChain(2);
    open();
    comm_->setBaudRate(38400);
    auto engine = comm_->getObject();
    engine->beginHostMode(2);
    const auto write = [&](int32_t from, int32_t to) {
        for (int32_t j = from; j <= to; ++j) {
            engine->writePosition(1, 10 * j);
            engine->writePosition(2, -10 * j);
            if (j < 3) engine->writeTime(0, 32 * (j - 1));
        }
    };
    write(1, 40);
    // The free place the motors owe has come by now.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(comm_->getResponseOf("2RP").empty());
    write(41, 50);
    EXPECT_EQ(engine->endHostMode(), 0);
    const auto played = chain().playedPositions(1);
    ASSERT_EQ(played.size(), 50u);
    EXPECT_EQ(played.front() + played.back(), 510);
    EXPECT_EQ(comm_->getResponseOf("1RP"), "500");
}

// A port that does not exist or that another program holds is error 1 with
// the system's reason; a command text that is not one is refused with 11
// before anything is sent; a closed channel refuses with 1.
TEST_F(SerialChain, RefusedPortsAndTexts) {
    startChain(1);
    open();
    Communication second;
    EXPECT_EQ(failure([&] { second.OpenPort("/dev/vek-no-such-port", 9600); }),
              "1/1 Can't open serial port. Check that other application is not using the same port. [Cannot open "
              "/dev/vek-no-such-port (No such file or directory).]");
    EXPECT_EQ(failure([&] { second.OpenPort(chain().portPath(), 9600); }),
              "1/1 Can't open serial port. Check that other application is not using the same port. [Cannot open "
              "PORT (another program holds the port).]");
    sent();
    EXPECT_EQ(each<std::string>({"RP", "9RP", "1", std::string("1R\x01P", 4), "1R\xC3\xA9"},
                                [&](const std::string& text) { return failure([&] { comm_->WriteCommand(text); }); }),
              "11/4 The command \"RP\" does not start with a motor number from 0 to 8.|"
              "11/4 The command \"9RP\" does not start with a motor number from 0 to 8.|"
              "11/4 The command \"1\" has no motor command after its number.|"
              "11/4 The command for motor 1 holds byte 01 at position 3, outside printable ASCII.|"
              "11/4 The command for motor 1 holds byte C3 at position 3, outside printable ASCII.");
    EXPECT_EQ(sent(), "");
    comm_->ClosePort();
    EXPECT_EQ(failure([&] { comm_->getResponseOf("1RP"); }), "1/2 No serial port is open (PORT is closed).");
}

// Polling queries stay out of the log, other commands are logged; an answer
// nobody asked for is not there to read; the engine's per-motor object and
// port name pass through; a developer's traffic log records both
// directions with times.
TEST_F(SerialChain, LogsAndPassThroughs) {
    startChain(2);
    const std::string traffic = install_->file("logs/mlogs.txt");
    open(9600, true, traffic);
    clearMessages();
    comm_->getResponseOf("1RP");
    comm_->WriteCommand("1MP");
    EXPECT_EQ(countLogged(messages(), "> 1RP") + countLogged(messages(), "> 1MP") * 10, 10);
    EXPECT_EQ(comm_->ReadResponse(), "");
    comm_->WriteCommand("0RP");
    const std::string first = comm_->ReadResponse();  // two statements: the reads happen in order
    EXPECT_EQ(first + " " + comm_->ReadResponse(), "0 0");
    EXPECT_EQ(comm_->getMotor(2)->address(), 2);
    EXPECT_EQ(comm_->portName(), chain().portPath());
    const std::string log = readFileText(traffic);
    EXPECT_NE(log.find(" > 81 52 50 0D  |.RP.|\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" < 81 52 50 0D  |.RP.|\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" < 30 0D  |0.|\n"), std::string::npos) << log;
    EXPECT_NE(log.find("2 motors addressed"), std::string::npos) << log;
}

// Program download and upload over the serial line, the emulator's motors
// keeping programs in the store of program transfer: byte for byte through
// line faults, and a peer that hangs up mid-transfer leaving the earlier
// program.
class ProgramWireTest : public ChainTest {
protected:
    // Three emulated motors that keep and run programs.
    void SetUp() override {
        ChainTest::SetUp();
        startChain(3);
        emulator::giveMotorsPrograms(
            chain(), [this](int motor, const std::string& fault) { faults_ += std::to_string(motor) + ": " + fault; });
        open();
    }
    std::vector<uint8_t> held(int motor) { return emulator::heldProgram(chain(), motor); }
    // Compiles `program` and downloads it to `motor`.
    void download(int motor, const std::string& program) {
        comm_->download(motor, file("prog_" + std::to_string(motor) + ".smx", compiled(program)));
    }
    // What the programs print, line by line, until the line falls quiet.
    std::vector<std::string> printedLines() {
        std::vector<std::string> lines;
        for (std::string line = comm_->ReadResponse(); !line.empty(); line = comm_->ReadResponse())
            lines.push_back(line);
        return lines;
    }
    // The faults programs stopped on (written on the emulator's thread).
    std::string faults() {
        std::string text;
        chain().withMotor(1, [&](emulator::EmulatedMotor&) { text = faults_; });
        return text;
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

    std::string faults_;
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
    EXPECT_NE(e.description().find("Program download of motor 1 failed: chunk "), std::string::npos) << e.description();
    EXPECT_NE(e.description().find("Cannot "), std::string::npos) << "names the port's failure: " << e.description();
    EXPECT_EQ(held(1), earlier);
}

// A downloaded program runs inside its motor: RUN starts it, what it prints
// reaches the host through the chain unless the motor is SILENT, END stops
// a program that never ends, and a fault leaves the motor answering with
// Bs set.
TEST_F(ProgramWireTest, RunPrintsThroughTheChainAndSilentKeepsItInTheMotor) {
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

TEST_F(ProgramWireTest, EndStopsAProgramThatNeverEnds) {
    download(1, "C1 a=a+1 O1=1 WAIT=10 GOTO1 END");
    comm_->WriteCommand("1RUN");
    comm_->WriteCommand("1END");
    EXPECT_EQ(comm_->getResponseOf("1RO1"), "1");
    comm_->WriteCommand("1O1=0");
    // Stopped: nothing sets the output again.
    EXPECT_EQ(comm_->getResponseOf("1RO1"), "0");
    EXPECT_EQ(comm_->getResponseOf("1RO1"), "0");
}

TEST_F(ProgramWireTest, AFaultStopsTheProgramAndSetsTheSyntaxErrorBit) {
    download(3, "PRINT(\"before\",#13) a=0 b=1/a PRINT(\"after\",#13) END");
    comm_->WriteCommand("3RUN");
    EXPECT_EQ(printedLines(), std::vector<std::string>{"before"});
    EXPECT_EQ(comm_->getResponseOf("3RBs"), "1");
    EXPECT_NE(faults().find("3: division by zero at"), std::string::npos) << faults();
    // The motor still holds its program and runs it again on RUN.
    comm_->WriteCommand("3ZS");
    comm_->WriteCommand("3RUN");
    EXPECT_EQ(printedLines(), std::vector<std::string>{"before"});
}

}  // namespace
}  // namespace vek::test
