// The simulated channel over simulated motors, and the Ethernet channel that
// answers as it does under its own name.
#include <gtest/gtest.h>

#include <memory>

#include "support/Each.h"
#include "support/Expect.h"
#include "support/LogLines.h"
#include "support/SimulationFixture.h"
#include "vek/comm/CommunicationEthernet.h"
#include "vek/comm/Ethernet.h"
#include "vek/comm/engine/MotorEngine.h"
#include "vek/foundation/EventLoop.h"
#include "vek/foundation/Log.h"

namespace vek::test {
namespace {

// Two simulated axes on 200 mm slides: motor 1 at 1000 counts, motor 2 at 2000.
class CommunicationSimulationTest : public SimulationTest {
protected:
    void SetUp() override {
        SimulationTest::SetUp();
        x_ = addMotor(1, MotorConstants::TYPE_SM, 200, 10, 1000);
        y_ = addMotor(2, MotorConstants::TYPE_JP, 200, 10, 2000);
        clearMessages();
    }
    void send(std::initializer_list<const char*> commands) {
        for (const char* command : commands) channel_->WriteCommand(command);
    }
    // The answers to `queries` asked one after another, each followed by a blank.
    std::string ask(std::initializer_list<const char*> queries) {
        std::string answers;
        for (const char* query : queries) answers += channel_->getResponseOf(query) + " ";
        return answers;
    }
    // What ReadResponse hands out until it has nothing left.
    std::string readAll() {
        std::string answers;
        for (std::string a = channel_->ReadResponse(); !a.empty(); a = channel_->ReadResponse()) answers += a + " ";
        return answers;
    }
    bool loggedAt(const std::string& text, int level) const { return test::loggedAt(messages(), text, level); }
    std::shared_ptr<MotorSimulation> x_, y_;
};

// Motor 0 asks every motor in order; an answer is read once and never
// outlives its command. Bit queries go through each motor, which clears the
// buffer first: the answers of the earlier motors survive all the same.
TEST_F(CommunicationSimulationTest, QueriesAnswerPerMotorOnceAndOnlyForTheirCommand) {
    EXPECT_EQ(ask({"2RP", "1RP"}), "2000 1000 ");
    send({"2RP"});
    EXPECT_EQ(readAll(), "2000 ");
    send({"0RP"});
    EXPECT_EQ(channel_->pendingResponses(), 2u);
    EXPECT_EQ(readAll(), "1000 2000 ");
    send({"0RBt"});
    EXPECT_EQ(channel_->pendingResponses(), 2u);
    send({"1RP"});
    EXPECT_EQ(ask({"1MP"}), " ") << "not the position asked before";
    send({"0RP", "1G"});
    EXPECT_EQ(readAll(), "");
    send({"2RP"});
    channel_->clearBuffer();
    EXPECT_EQ(readAll(), "");
}

// Commands leave developer lines, the polling queries none.
TEST_F(CommunicationSimulationTest, WireMoveRunsTheSimulatedMotor) {
    send({"1MP", "1P=5000", "1A=100", "1V=500000", "1G"});
    EXPECT_EQ(ask({"1RBt"}), "1 ");
    EXPECT_TRUE(x_->WaitForStop());
    EXPECT_EQ(ask({"1RP", "1RBt"}), "5000 0 ");
    send({"1D=-1500"});
    EXPECT_EQ(x_->target(), 3500) << "relative to where the motor is";
    EXPECT_TRUE(loggedAt("> 1MP", LogLevel::DEVELOPER));
    EXPECT_TRUE(loggedAt("> 1G", LogLevel::DEVELOPER));
    EXPECT_FALSE(logged("> 1RP") || logged("> 1RBt"));
}

TEST_F(CommunicationSimulationTest, StopForAllMotorsDeceleratesEveryAxisAndQueuesNothing) {
    x_->goToPosition(60000);
    y_->goToPosition(60000);
    eventLoop().wait(0.3);
    send({"0X"});
    EXPECT_EQ(channel_->pendingResponses(), 0u);
    EXPECT_FALSE(x_->isMoving() || y_->isMoving());
    EXPECT_FALSE(simulationHost().isTimerEnabled());
    y_->goToPosition(60000);
    send({"2S"});
    EXPECT_FALSE(y_->isMoving());
}

// Without a motor number, or with one the simulation does not know, a
// command answers nothing and leaves a warning; the polling patterns need a
// motor number in front, so the line of a command without one shows.
TEST_F(CommunicationSimulationTest, CommandsTheSimulationCannotRunAreLogged) {
    send({"RP"});
    EXPECT_TRUE(loggedAt("Please prepend the motor number before the command", LogLevel::WARNING));
    EXPECT_TRUE(loggedAt("> RP", LogLevel::DEVELOPER));
    EXPECT_EQ(readAll() + ask({""}), " ");
    send({"1EIGN(2)"});
    EXPECT_TRUE(loggedAt("Simulation doesn't support the command EIGN(2)", LogLevel::WARNING));
    EXPECT_EQ(readAll(), "");
    send({"1RI12", "1END"});  // only the two-character input query is simulated
    EXPECT_TRUE(logged("Simulation doesn't support the command RI12"));
    EXPECT_FALSE(logged("Simulation doesn't support the command END"));
}

// A motor beyond the collection raises 9, a value that is not a number 13.
TEST_F(CommunicationSimulationTest, UnknownMotorsAndNonNumericValuesRaise) {
    for (const char* command : {"3RP", "9G"}) EXPECT_TRUE(raisesNumbered(9, [&] { send({command}); })) << command;
    for (const char* command : {"1P=abc", "1V=", "1ROx"})
        EXPECT_TRUE(raisesNumbered(13, [&] { send({command}); })) << command;
    motors_.reset();
    EXPECT_TRUE(raisesNumbered(9, [&] { send({"1RP"}); })) << "no motors left";
    EXPECT_EQ(raised([&] { send({"0RP"}); }).number(), 0) << "all of no motors is nothing";
}

// The simulation measures no acceleration or speed; the status word is
// asked of the motor, not the channel; "z=0" forgets that the motor is homed.
TEST_F(CommunicationSimulationTest, SettingsStatusModesAndHoming) {
    EXPECT_EQ(ask({"1RSP", "1RAMPS", "1RE"}), "24576/477K 1000 1000 ");
    send({"1A=250", "1V=-3000"});
    EXPECT_EQ(ask({"1RA", "1RV"}), "0 0 ");
    EXPECT_EQ(x_->bufferedVelocity(), -3000);
    send({"1OFF"});
    EXPECT_EQ(ask({"1RBo", "1RW"}), "1  ");
    send({"1MV"});
    EXPECT_EQ(x_->moveMode(), "MV");
    EXPECT_EQ(x_->target(), 10000000);
    send({"1MP"});
    EXPECT_EQ(x_->moveMode(), "MP");
    config().storeConfigValue("simulation_isHomed_1", "1");
    send({"1z=0"});
    EXPECT_EQ(config().getConfigValue("simulation_isHomed_1"), "0");
    EXPECT_FALSE(x_->isHomed());
}

// A reset clears the historical bits (a run into the left limit sets Bl, Bm
// and Bo); outputs, inputs and table programs go through the motor.
TEST_F(CommunicationSimulationTest, ResetInputsOutputsAndTablePrograms) {
    x_->goWithVelocity(-500000);
    x_->WaitForStop(-1, true);
    send({"1ZS", "1O3=1"});
    x_->setInputState(2, 1);
    EXPECT_EQ(ask({"1RBl", "1RBm", "1RO3", "1RI2", "1RI1"}), "0 1 1 1 0 ");
    EXPECT_EQ(x_->getOutputState(3), 1);
    send({"2BCD_ON"});
    EXPECT_TRUE(y_->isProgramRunning());
    send({"2BCD_OFF"});
    EXPECT_FALSE(y_->isProgramRunning());
}

// Opening a port drops pending answers. The engine counts the configured
// simulated motors and keeps the highest address only when given.
TEST_F(CommunicationSimulationTest, PortAndMotorCount) {
    send({"1RP"});
    channel_->OpenPort("COM3", 9600);
    channel_->setBaudRate(38400);
    EXPECT_EQ(channel_->portName() + " " + std::to_string(channel_->baudRate()) + (channel_->getMotor(1) ? "!" : ""),
              "COM3 38400");
    EXPECT_EQ(channel_->pendingResponses(), 0u);
    auto engine = channel_->getObject();
    EXPECT_TRUE(raisesNumbered(9, [&] { engine->numericSetting(4); }));
    EXPECT_EQ(channel_->initMotors(), 3);
    EXPECT_EQ(engine->highestAddress(), NOT_GIVEN);
    config().storeConfigValue("softwareMotors", "5");
    EXPECT_EQ(channel_->initMotors(4), 5);
    EXPECT_EQ(engine->highestAddress(), 4);
}

// The Ethernet board's messages; the Ethernet channel answers as the
// simulated one, under its own name, and leaves the engine's timing that the
// simulated channel tunes.
using EthernetChannel = SimulationTest;

TEST_F(EthernetChannel, AnswersAsTheSimulatedChannelUnderItsOwnName) {
    EXPECT_EQ(Ethernet().getProvisioningProtocol(), "HELLO F2812?");
    EXPECT_EQ(Ethernet().getConfigurationProtocol(std::string("00:1A"), 192, 2.5, true), "CONF00:1A1922.5True");
    auto simulated = channel_;
    auto ethernet = std::make_shared<CommunicationEthernet>(std::make_shared<SimulatedChain>(motors_, configuration_));
    channel_ = ethernet;
    addMotor(1, MotorConstants::TYPE_SM, 200, 10, 1000);
    addMotor(2, MotorConstants::TYPE_SM, 200, 10, 2000);
    ethernet->OpenPort("ETH", 9600);
    std::string answers;  // one call a statement: the order of the answers counts
    for (const char* query : {"2RP", "1RSP", "1EIGN(2)", "RP"}) answers += ethernet->getResponseOf(query) + " ";
    ethernet->WriteCommand("0RP");
    answers += ethernet->ReadResponse() + " ";
    EXPECT_EQ(answers + ethernet->ReadResponse(), "2000 24576/477K   1000 2000");
    EXPECT_TRUE(loggedAt(messages(), "Initializing vek.CommunicationEthernet", LogLevel::DEVELOPER));
    EXPECT_TRUE(loggedAt(messages(), "Simulation doesn't support the command EIGN(2)", LogLevel::WARNING));
    const auto setting = [](ICommunication& c) {
        return each<int16_t>({2, 3}, [&](int16_t i) { return c.getObject()->numericSetting(i); });
    };
    EXPECT_EQ(setting(*ethernet), each<int16_t>({2, 3}, [&](int16_t i) { return MotorEngine().numericSetting(i); }));
    EXPECT_EQ(setting(*simulated), "2|20");
    simulated.reset();
    EXPECT_TRUE(loggedAt(messages(), "Terminating vek.Communication", LogLevel::DEVELOPER));
}

}  // namespace
}  // namespace vek::test
