#include <gtest/gtest.h>

#include <memory>

#include "support/Expect.h"
#include "support/LogLines.h"
#include "support/SimulationFixture.h"
#include "vek/comm/engine/MotorEngine.h"
#include "vek/foundation/EventLoop.h"
#include "vek/foundation/Log.h"
#include "vek/geometry/PathEngine.h"

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
    bool loggedAt(const std::string& text, int level) const { return test::loggedAt(messages(), text, level); }
    std::shared_ptr<MotorSimulation> x_, y_;
};

// Motor 0 asks every motor in order; an answer is read once and never
// outlives its command.
TEST_F(CommunicationSimulationTest, QueriesAnswerPerMotorOnceAndOnlyForTheirCommand) {
    EXPECT_EQ(channel_->getResponseOf("2RP"), "2000");
    EXPECT_EQ(channel_->getResponseOf("1RP"), "1000");
    channel_->WriteCommand("0RP");
    EXPECT_EQ(channel_->pendingResponses(), 2u);
    EXPECT_EQ(channel_->ReadResponse(), "1000");
    EXPECT_EQ(channel_->ReadResponse(), "2000");
    EXPECT_EQ(channel_->ReadResponse(), "") << "nothing left to read";
    // Bit queries go through each motor, which clears the buffer first: the
    // answers of the earlier motors survive all the same.
    channel_->WriteCommand("0RBt");
    EXPECT_EQ(channel_->pendingResponses(), 2u);

    channel_->WriteCommand("1RP");
    EXPECT_EQ(channel_->getResponseOf("1MP"), "") << "not the position asked before";
    channel_->WriteCommand("0RP");
    channel_->WriteCommand("1G");
    EXPECT_EQ(channel_->ReadResponse(), "");
    channel_->WriteCommand("2RP");
    channel_->clearBuffer();
    EXPECT_EQ(channel_->ReadResponse(), "");
}

TEST_F(CommunicationSimulationTest, WireMoveRunsTheSimulatedMotor) {
    for (const char* command : {"1MP", "1P=5000", "1A=100", "1V=500000", "1G"}) channel_->WriteCommand(command);
    EXPECT_EQ(channel_->getResponseOf("1RBt"), "1");
    EXPECT_TRUE(x_->WaitForStop());
    EXPECT_EQ(channel_->getResponseOf("1RP"), "5000");
    EXPECT_EQ(channel_->getResponseOf("1RBt"), "0");
    channel_->WriteCommand("1D=-1500");
    EXPECT_EQ(x_->target(), 3500) << "relative to where the motor is";
    // Developer lines for commands, none for the polling queries.
    EXPECT_TRUE(loggedAt("> 1MP", LogLevel::DEVELOPER));
    EXPECT_TRUE(loggedAt("> 1G", LogLevel::DEVELOPER));
    EXPECT_FALSE(logged("> 1RP"));
    EXPECT_FALSE(logged("> 1RBt"));
}

TEST_F(CommunicationSimulationTest, StopForAllMotorsDeceleratesEveryAxisAndQueuesNothing) {
    x_->goToPosition(60000);
    y_->goToPosition(60000);
    eventLoop().wait(0.3);
    channel_->WriteCommand("0X");
    EXPECT_EQ(channel_->pendingResponses(), 0u);
    EXPECT_FALSE(x_->isMoving() || y_->isMoving());
    EXPECT_FALSE(simulationHost().isTimerEnabled());
    y_->goToPosition(60000);
    channel_->WriteCommand("2S");
    EXPECT_FALSE(y_->isMoving());
}

// Without a motor number, or with one the simulation does not know, a
// command answers nothing and leaves a warning.
TEST_F(CommunicationSimulationTest, CommandsTheSimulationCannotRunAreLogged) {
    channel_->WriteCommand("RP");
    EXPECT_TRUE(loggedAt("Please prepend the motor number before the command", LogLevel::WARNING));
    EXPECT_TRUE(loggedAt("> RP", LogLevel::DEVELOPER)) << "the polling patterns need a motor number in front";
    EXPECT_EQ(channel_->ReadResponse(), "");
    EXPECT_EQ(channel_->getResponseOf(""), "");
    channel_->WriteCommand("1EIGN(2)");
    EXPECT_TRUE(loggedAt("Simulation doesn't support the command EIGN(2)", LogLevel::WARNING));
    EXPECT_EQ(channel_->ReadResponse(), "");
    channel_->WriteCommand("1RI12");  // only the two-character input query is simulated
    EXPECT_TRUE(logged("Simulation doesn't support the command RI12"));
    channel_->WriteCommand("1END");
    EXPECT_FALSE(logged("Simulation doesn't support the command END"));
}

// A motor beyond the collection raises 9, a value that is not a number 13.
TEST_F(CommunicationSimulationTest, UnknownMotorsAndNonNumericValuesRaise) {
    for (const char* command : {"3RP", "9G"}) EXPECT_TRUE(raisesNumbered(9, [&] { channel_->WriteCommand(command); }));
    for (const char* command : {"1P=abc", "1V=", "1ROx"})
        EXPECT_TRUE(raisesNumbered(13, [&] { channel_->WriteCommand(command); })) << command;
    motors_.reset();
    EXPECT_TRUE(raisesNumbered(9, [&] { channel_->WriteCommand("1RP"); })) << "no motors left";
    EXPECT_EQ(raised([&] { channel_->WriteCommand("0RP"); }).number(), 0) << "all of no motors is nothing";
}

TEST_F(CommunicationSimulationTest, SettingsStatusModesAndHoming) {
    EXPECT_EQ(channel_->getResponseOf("1RSP"), "24576/477K");
    EXPECT_EQ(channel_->getResponseOf("1RAMPS"), "1000");
    EXPECT_EQ(channel_->getResponseOf("1RE"), "1000");
    channel_->WriteCommand("1A=250");
    channel_->WriteCommand("1V=-3000");
    EXPECT_EQ(channel_->getResponseOf("1RA"), "0") << "the simulation measures no acceleration";
    EXPECT_EQ(channel_->getResponseOf("1RV"), "0");
    EXPECT_EQ(x_->bufferedVelocity(), -3000);

    channel_->WriteCommand("1OFF");
    EXPECT_EQ(channel_->getResponseOf("1RBo"), "1");
    EXPECT_EQ(channel_->getResponseOf("1RW"), "") << "the status word is asked of the motor, not the channel";
    channel_->WriteCommand("1MV");
    EXPECT_EQ(x_->moveMode(), "MV");
    EXPECT_EQ(x_->target(), 10000000);
    channel_->WriteCommand("1MP");
    EXPECT_EQ(x_->moveMode(), "MP");
    config().storeConfigValue("simulation_isHomed_1", "1");
    channel_->WriteCommand("1z=0");
    EXPECT_EQ(config().getConfigValue("simulation_isHomed_1"), "0");
    EXPECT_FALSE(x_->isHomed());
}

// A reset clears the historical bits (a run into the left limit sets Bl, Bm
// and Bo); outputs, inputs and table programs go through the motor.
TEST_F(CommunicationSimulationTest, ResetInputsOutputsAndTablePrograms) {
    x_->goWithVelocity(-500000);
    x_->WaitForStop(-1, true);
    channel_->WriteCommand("1ZS");
    EXPECT_EQ(channel_->getResponseOf("1RBl"), "0");
    EXPECT_EQ(channel_->getResponseOf("1RBm"), "1");

    channel_->WriteCommand("1O3=1");
    EXPECT_EQ(channel_->getResponseOf("1RO3"), "1");
    EXPECT_EQ(x_->getOutputState(3), 1);
    x_->setInputState(2, 1);
    EXPECT_EQ(channel_->getResponseOf("1RI2"), "1");
    EXPECT_EQ(channel_->getResponseOf("1RI1"), "0");
    channel_->WriteCommand("2BCD_ON");
    EXPECT_TRUE(y_->isProgramRunning());
    channel_->WriteCommand("2BCD_OFF");
    EXPECT_FALSE(y_->isProgramRunning());
}

// The engine counts the configured simulated motors and keeps the highest
// address only when given; the same object is the path engine of
// coordinated motion.
TEST_F(CommunicationSimulationTest, PortEngineMotorCountAndLifetime) {
    EXPECT_EQ(channel_->baudRate(), 0);
    channel_->WriteCommand("1RP");
    channel_->OpenPort("COM3", 9600);
    EXPECT_EQ(channel_->portName(), "COM3");
    EXPECT_EQ(channel_->baudRate(), 9600);
    EXPECT_EQ(channel_->pendingResponses(), 0u);
    channel_->setBaudRate(38400);
    EXPECT_EQ(channel_->baudRate(), 38400);
    EXPECT_EQ(channel_->getMotor(1), nullptr);

    auto engine = channel_->getObject();
    ASSERT_NE(engine, nullptr);
    EXPECT_EQ(std::make_pair(engine->numericSetting(2), engine->numericSetting(3)), std::make_pair(2, 20));
    EXPECT_TRUE(raisesNumbered(9, [&] { engine->numericSetting(4); }));
    EXPECT_EQ(channel_->initMotors(), 3);
    EXPECT_EQ(engine->highestAddress(), NOT_GIVEN);
    config().storeConfigValue("softwareMotors", "5");
    EXPECT_EQ(channel_->initMotors(4), 5);
    EXPECT_EQ(engine->highestAddress(), 4);
    std::shared_ptr<PathEngine> path = channel_->getObject();
    path->setTimeDelta(128);
    EXPECT_GT(path->oneDimensionalProfile(5.0, 1000.0).steps(), 1);

    std::make_shared<CommunicationSimulation>();
    EXPECT_TRUE(loggedAt("Initializing vek.CommunicationSimulation", LogLevel::DEVELOPER));
    EXPECT_TRUE(loggedAt("Terminating vek.Communication", LogLevel::DEVELOPER));
}

}  // namespace
}  // namespace vek::test
