#include <gtest/gtest.h>

#include "support/Expect.h"
#include "support/LogLines.h"
#include "support/SimulatedMotorState.h"
#include "support/SimulationFixture.h"
#include "vek/comm/engine/CompiledProgram.h"
#include "vek/comm/engine/ProgramScanner.h"
#include "vek/foundation/EventLoop.h"
#include "vek/geometry/Utils.h"
#include "vek/motors/MotorStatusWordBits.h"

namespace vek::test {
namespace {

using namespace MotorStatusWordBits;
constexpr int16_t SM = MotorConstants::TYPE_SM;

// Slide of 200 mm with a 10 mm pitch: 80000 counts, last index mark at 80000.
class MotorSimulationTest : public SimulationTest {
protected:
    // Another motor object for axis `id` (0: all motors), not among the axes.
    std::shared_ptr<MotorSimulation> another(int32_t id) {
        auto motor = std::make_shared<MotorSimulation>();
        motor->init(id, channel_, MotorConstants::MOTOR_ENCODER_COUNT, context());
        return motor;
    }
};

TEST_F(MotorSimulationTest, LongMoveRunsATrapezoidOnTheTickAndEndsExactlyAtTarget) {
    auto motor = addMotor(1);
    clearMessages();
    motor->goToPosition(40000);
    // 500000 at acceleration 100 needs 19274 counts to reach speed.
    EXPECT_TRUE(loggedAll(messages(), {"/__\\ Slope Delta Distance = 19274 out of total travel distance = 40000",
                                       "Trapezoidal profile [19274 , 20726 , 40000]", "Starting MP"}));
    EXPECT_EQ(motorState(*motor) + ", " + tickState(), "0 Bt, 1 ticking");
    const double start = clock_->now();
    EXPECT_EQ(runToStop(*motor), "40000");
    EXPECT_EQ(tickState(), "0 idle");
    // Ramp of sqrt(2 * 19274 / 25000) = 1.24 s each way plus 47 ms of cruise.
    EXPECT_NEAR(clock_->now() - start, 2.53, 0.08);
    EXPECT_NEAR(motor->simTime() / 1000.0, clock_->now() - start, 0.011) << "one 10 ms step per tick";
}

// Short moves are triangular, backward ones mirror the profile, and a move
// without speed or acceleration does not start.
TEST_F(MotorSimulationTest, ProfilesOfShortAndBackwardMoves) {
    auto motor = addMotor(1, SM, 200, 10, 60000);
    motor->goToPosition(50000);
    EXPECT_TRUE(logged("Triangular profile [55000 , 55000 , 50000]"));
    EXPECT_EQ(runToStop(*motor), "50000");
    // An odd travel leaves the rounded-down end a count short: the move still
    // finishes at its target.
    motor->goToRelativePosition(10001);
    EXPECT_TRUE(logged("Triangular profile [55000 , 55000 , 60000]"));
    EXPECT_EQ(runToStop(*motor), "60001");
    motor->goToPosition(20000);
    EXPECT_TRUE(logged("Trapezoidal profile [40727 , 39274 , 20000]"));
    EXPECT_EQ(runToStop(*motor), "20000");

    motor->setPosition(1000);
    motor->setVelocity(0);
    motor->startMotion();
    EXPECT_EQ(motorState(*motor) + ", " + tickState(), "20000, 0 idle");
    motor->setVelocity(1000);
    motor->setAcceleration(0);
    motor->startMotion();
    EXPECT_TRUE(loggedAll(messages(), {"Can't start the motion. Veloctiy = 0, Acceleration = 100",
                                       "Can't start the motion. Veloctiy = 1000, Acceleration = 0"}));
}

// The tick's registry: the same motor twice is one entry, removing a missing
// one changes nothing. Reopening the chain while an axis moves makes new
// motor objects with the old ids: the new one must move, and the old one
// stopping late must not take the new one's place.
TEST_F(MotorSimulationTest, TheTicksRegistryKeepsOneMotorPerId) {
    auto old = addMotor(1);
    simulationHost().addCallbackMotor(1, old);
    simulationHost().addCallbackMotor(1, old);
    simulationHost().removeCallbackMotor(5);
    EXPECT_EQ(tickState(), "1 ticking");
    simulationHost().removeCallbackMotor(1);
    EXPECT_EQ(tickState(), "0 idle");

    old->goToPosition(40000);
    eventLoop().wait(0.1);
    auto replacement = another(1);
    replacement->goToPosition(20000);
    EXPECT_EQ(tickState(), "1 ticking");
    EXPECT_EQ(simulationHost().callbackMotors().item(1), replacement);
    old->StopMotion(false);
    EXPECT_EQ(tickState(), "1 ticking");
    EXPECT_EQ(runToStop(*replacement), "20000");
    EXPECT_EQ(tickState(), "0 idle");
}

TEST_F(MotorSimulationTest, MotorsShareTheTickAndTheAllMotorsObjectSpeaksForEveryAxis) {
    auto x = addMotor(1);
    auto y = addMotor(2);
    auto all = another(0);
    x->goToPosition(40000);
    y->goToPosition(10000);
    EXPECT_EQ(simulationHost().callbackMotors().keyAt(1), "1");
    const uint64_t ticks = simulationHost().tickCount();
    eventLoop().wait(0.1);
    EXPECT_EQ(simulationHost().tickCount() - ticks, 10u);
    EXPECT_EQ(std::make_pair(x->simTime(), y->simTime()), std::make_pair(100, 100));
    EXPECT_EQ(tickState(), "2 ticking");
    EXPECT_EQ(runToStop(*y), "10000");
    EXPECT_TRUE(x->isMoving() && simulationHost().isTimerEnabled()) << "the longer move goes on";
    // Stopping all motors leaves each where it is.
    EXPECT_TRUE(all->isMoving());
    all->StopMotion(true);
    EXPECT_FALSE(all->isMoving());
    const int32_t reached = x->position();
    eventLoop().wait(0.5);
    EXPECT_EQ(x->position(), reached);
    EXPECT_TRUE(reached > 0 && reached < 40000) << reached;
    EXPECT_EQ(tickState(), "0 idle");
    // Homed only when every axis is; servo off only when every axis is.
    x->home(0, -1, true, 500000, 100);
    EXPECT_FALSE(all->isHomed());
    y->home(0, -1, true, 500000, 100);
    EXPECT_TRUE(all->isHomed());
    EXPECT_FALSE(all->isServoOff());
    all->stopServo();
    EXPECT_TRUE(x->isServoOff() && y->isServoOff() && all->isServoOff());
}

TEST_F(MotorSimulationTest, UnhomedSlidePowersUpOnItsStrokeBetweenLimitsAtZeroAndStroke) {
    auto motor = addMotor(1);
    EXPECT_EQ(motor->stroke(), 80000);
    EXPECT_EQ(limitsOf(*motor), std::make_pair(0, 80000));
    EXPECT_EQ(motor->positiveLastIndex(), 80000);
    for (int i = 0; i < 5; ++i) {
        const int32_t at = another(1)->position();
        EXPECT_TRUE(at >= 0 && at <= 80000) << at;
    }
    motor->Calibrate();
    EXPECT_EQ(runToStop(*motor), "80000") << "calibrating runs to the end of the stroke";
}

// A velocity move runs until a limit switch stops it with the servo off, a
// fault for WaitForStop (which never takes a stop request) to report.
TEST_F(MotorSimulationTest, VelocityMovesRunIntoTheLimitSwitches) {
    auto motor = addMotor(1, SM, 200, 10, 70000);
    motor->goWithVelocity(500000);
    EXPECT_EQ(motor->target(), 10000000);
    EXPECT_TRUE(raisesNumbered(ErrorCodes::MOTION_INTERRUPTED, [&] { motor->WaitForStop(); }));
    EXPECT_EQ(motorState(*motor), "80000 Br Bo Bp");
    EXPECT_EQ(motor->toString(), " Br - Historical right limit = True Bo - Motor off = True Bp - Right limit = True");
    // A reset with a bit clears only that historical bit.
    motor->Reset(Bs);
    EXPECT_EQ(motorState(*motor), "80000 Br Bo Bp");
    motor->Reset(Br);
    EXPECT_EQ(motorState(*motor), "80000 Bo Bp");
    // Further on into the switch: refused at once, nothing registers.
    motor->goWithVelocity(500000);
    EXPECT_EQ(motorState(*motor) + ", " + tickState(), "80000 Bp, 0 idle");
    // Away from it is fine, and the limit releases.
    motor->goToPosition(5000);
    EXPECT_EQ(runToStop(*motor), "5000");

    motor->goWithVelocity(-500000, 200);
    EXPECT_EQ(std::make_pair(motor->target(), motor->bufferedVelocity()), std::make_pair(-10000000, 500000));
    EXPECT_EQ(runToStop(*motor), "0 Bl Bo Bm");
    EXPECT_TRUE(motor->hasFault());
    // A reset clears the historical bits only; the switch itself stays made.
    motor->Reset();
    EXPECT_EQ(motorState(*motor), "0 Bo Bm");

    motor->goWithVelocity(10000);  // about 620 counts a second: two minutes to the limit
    flags_->stopRequested = true;
    EXPECT_FALSE(motor->WaitForStop(1));
    EXPECT_TRUE(logged("Motor Motor1 didn't stop within 1 seconds."));
    EXPECT_TRUE(flags_->stopRequested) << "a simulated wait leaves the request to others";
    EXPECT_TRUE(motor->isMoving());
}

TEST_F(MotorSimulationTest, RealTimePositionStaysInsideTheLimits) {
    auto motor = addMotor(1);
    motor->setRealTimePosition(1234);
    EXPECT_EQ(motorState(*motor), "1234 Bt") << "a streamed position means a trajectory in progress";
    EXPECT_TRUE(raisesNumbered(
        8, [&] { motor->setRealTimePosition(80001); }, "Positive limit switch reached"));
    EXPECT_EQ(motorState(*motor), "80000 Bt Br Bo Bp");
    EXPECT_TRUE(raisesNumbered(
        8, [&] { motor->setRealTimePosition(-1); }, "Negative limit switch reached"));
    EXPECT_EQ(motorState(*motor), "0 Bt Br Bl Bo Bp Bm");
    flags_->stopRequested = true;
    EXPECT_TRUE(raisesNumbered(
        8, [&] { motor->setRealTimePosition(500); }, "Motion stopped"));
    EXPECT_FALSE(flags_->stopRequested) << "the request is consumed";
    EXPECT_EQ(motor->position(), 0);
}

// Homing keeps its direction in the configuration, so that the next run of
// the host finds the axis homed and places the limits beyond the index by
// the homing offset of the axis's record.
TEST_F(MotorSimulationTest, HomingIsStoredAndPlacesTheLimitsBeyondTheIndex) {
    auto motor = addMotor(1);
    EXPECT_FALSE(motor->isHomed());
    EXPECT_EQ(motor->homeDirection(), 0);
    const double start = clock_->now();
    EXPECT_TRUE(motor->home(400, 1, false, 500000, 100));
    EXPECT_GE(clock_->now() - start, 0.89) << "the simulated search takes its time";
    EXPECT_TRUE(
        loggedAll(messages(), {"Homing Motor1 with offset = 400 direction = 1 forceFlag = False smuSpeed = 500000 "
                               "smuAcceleration = 100",
                               "Motor[Motor1]->Motor is now homed."}));
    EXPECT_EQ(config().getConfigValue("simulation_isHomed_1") + " " + std::to_string(motor->isHomed()) + " " +
                  std::to_string(motor->homeDirection()),
              "1 1 1");
    // Index at 80000, offset 400, 3900 counts of over-travel.
    EXPECT_EQ(motorState(*motor), "-400");
    EXPECT_EQ(limitsOf(*motor), std::make_pair(-84300, 3500));
    motor->setRealTimePosition(-2000);
    EXPECT_TRUE(motor->home(400, 1, false, 500000, 100));
    EXPECT_TRUE(logged("Motor[Motor1]->Motor is already homed."));
    EXPECT_EQ(motor->position(), -2000);
    EXPECT_TRUE(motor->home(400, 1, true, 500000, 100));
    EXPECT_EQ(motor->position(), -400) << "forced homing searches again";

    auto slide = config().motorsData()->item(1)->SlideData();
    configuration_ = std::make_shared<Configuration>(database_);
    auto record = config().motorsData()->item(1);
    record->setSlideData(slide);
    record->setPositiveHomingOffset(0.5);  // 200 counts
    record->setNegativeHomingOffset(2.0);  // 800 counts
    auto next = another(1);
    EXPECT_TRUE(next->isHomed());
    EXPECT_EQ(limitsOf(*next), std::make_pair(-84100, 3700));
    config().storeConfigValue("simulation_isHomed_1", "-1");
    next->assignPhysicalAttributes();
    EXPECT_EQ(limitsOf(*next), std::make_pair(-4700, 83100));
    next->invalidateHoming();
    EXPECT_EQ(config().getConfigValue("simulation_isHomed_1"), "0");
    EXPECT_FALSE(next->isHomed());
    EXPECT_EQ(limitsOf(*next), std::make_pair(0, 80000));
}

TEST_F(MotorSimulationTest, QueriesAnswerInTheMotorsTextForm) {
    auto motor = addMotor(1);
    channel_->WriteCommand("1RP");
    ASSERT_EQ(channel_->pendingResponses(), 1u);
    EXPECT_EQ(answersOf(*motor, {"RW"}), "RW=0");
    EXPECT_EQ(channel_->pendingResponses(), 0u) << "a query drops the channel's unread answers";
    motor->stopServo();
    EXPECT_EQ(answersOf(*motor, {"RW", "RBo", "RBt", "RBr", "RBl", "RBh", "RBe", "RBp", "RBm", "RI", "RBi"}),
              "RW=128 RBo=1 RBt=0 RBr=0 RBl=0 RBh=0 RBe=0 RBp=0 RBm=0 RI=0 RBi=0");
    EXPECT_EQ(answersOf(*motor, {"RBw", "RPA"}), "RBw= RPA=") << "no simulated queries";
    // Fixed values; no measured velocity in the simulation.
    EXPECT_EQ(std::make_tuple(motor->temperature(), motor->standbyPower(), motor->velocity()),
              std::make_tuple(86.0, 20.0, 0));
    EXPECT_EQ((std::array{motor->MaxCurrent(), motor->MaxPositionError(), motor->getCalibrateStatus()}),
              (std::array<int16_t, 3>{1000, 1000, 0}));
    motor->setVelocity(-1234);
    motor->setPosition(777);
    EXPECT_EQ(std::make_pair(motor->bufferedVelocity(), motor->bufferedPosition()), std::make_pair(-1234, 777));
    EXPECT_TRUE(raisesNumbered(9, [&] { motor->isBitOn(0, 16); }));
}

TEST_F(MotorSimulationTest, InputsAndOutputsAreCheckedKeptAndWiredByTheSimulationRecord) {
    auto x = addMotor(1);
    auto y = addMotor(2);
    x->setInputState(12, 1);
    x->setOutputState(10, 1);
    EXPECT_EQ(x->getInputState(12) + x->getOutputState(10), 2);
    for (const auto& outOfRange : std::vector<std::function<void()>>{
             [&] { x->getInputState(0); }, [&] { x->getInputState(13); }, [&] { x->setInputState(0, 1); },
             [&] { x->setInputState(13, 1); }, [&] { x->getOutputState(11); }, [&] { x->setOutputState(0, 1); }})
        EXPECT_TRUE(raisesNumbered(9, outOfRange, "Subscript out of range"));

    // "<motor><Y|N><output>": the input follows or inverts another motor's
    // output; a definition of another shape leaves the input as it was set;
    // an output of a motor the façade does not have is error 5.
    auto record = std::make_shared<SimulationData>();
    record->setKey(1);
    record->setSimulatedInputs(1, "2Y3");
    record->setSimulatedInputs(2, "2N3");
    record->setSimulatedInputs(3, "junk");
    config().simulationDataCollection()->add(record, "1");
    auto inputs = [&] { return std::to_string(x->getInputState(1)) + std::to_string(x->getInputState(2)); };
    EXPECT_EQ(inputs(), "01");
    y->setOutputState(3, 1);
    EXPECT_EQ(inputs(), "10");
    x->setInputState(3, 1);
    EXPECT_EQ(x->getInputState(3), 1);
    record->setSimulatedInputs(4, "7Y1");
    EXPECT_TRUE(raisesNumbered(
        5, [&] { x->getInputState(4); }, "Invalid procedure call or argument"));
}

TEST_F(MotorSimulationTest, SmartMotorKeepsTheCompiledProgramItWasSentOverTheChannel) {
    addMotor(1);
    auto motor = addMotor(2);
    auto file = [&](const std::string& name, const std::vector<uint8_t>& bytes) {
        EXPECT_TRUE(writeProgramFile(install_->file(name), bytes));
        return install_->file(name);
    };
    const auto first = scanProgram("C1 PRINT(\"one\",#13) RETURN\nGOSUB1 END\n").program.toSmx();
    std::string longer;
    for (int i = 0; i < 30; ++i) longer += "PRINT(\"several chunks\") ";
    const auto second = scanProgram(longer + "END\n").program.toSmx();
    motor->StartProgram();
    EXPECT_FALSE(motor->isProgramRunning()) << "RUN without a program";
    motor->download(file("a_2.smx", first));
    motor->download(file("b_2.smx", second));
    EXPECT_EQ(motor->storedProgram(), second);
    EXPECT_TRUE(addMotor(3)->storedProgram().empty()) << "only motor 2 was addressed";
    motor->forceUpload(install_->file("back_2.smx"));
    EXPECT_EQ(readProgramFile(install_->file("back_2.smx")), second);
    motor->StartProgram();
    EXPECT_TRUE(motor->isProgramRunning());
    motor->StopProgram();
    EXPECT_FALSE(motor->isProgramRunning());

    // A damaged file is refused by the motor, which keeps its program.
    auto damaged = first;
    damaged.back() ^= 1;
    EXPECT_TRUE(raisesNumbered(2, [&] { motor->download(file("c_2.smx", damaged)); }));
    EXPECT_EQ(motor->storedProgram(), second);
}

TEST_F(MotorSimulationTest, DravoTableProgramMovesOnTheStrobeInput) {
    auto motor = addMotor(1, MotorConstants::TYPE_JP);
    // Inputs 1..6 select the entry, input 1 the lowest bit; input 11 strobes.
    auto strobe = [&](int entry) {
        for (int16_t input = 1; input <= 6; ++input) motor->setInputState(input, (entry >> (input - 1)) & 1);
        motor->setInputState(11, 0);
        motor->setInputState(11, 1);
    };
    const std::string back = install_->file("data/back.txt");
    motor->forceUpload(back);
    EXPECT_EQ(readFileText(back), "\r\n") << "no entries, only writeFile's line end";
    const std::string file = install_->file("data/table.txt");
    Utils().writeFile(file,
                      "* motion table\r\nMODE[0]=1\r\nal[0]=5000\r\nVEL[0]=100000\r\nACC[0]=50\r\n"
                      "al[1]=30000\r\nVEL[1]=200000\r\nACC[1]=80\r\n");
    motor->download(file);
    motor->forceUpload(back);
    EXPECT_EQ(readFileText(back),
              "al[0]=5000\r\nVEL[0]=100000\r\nACC[0]=50\r\nal[1]=30000\r\nVEL[1]=200000\r\nACC[1]=80\r\n\r\n");

    strobe(1);
    EXPECT_FALSE(motor->isMoving()) << "no program running";
    motor->StartProgram();
    EXPECT_TRUE(motor->isProgramRunning());
    strobe(1);
    EXPECT_EQ(motorState(*motor), "0 Bt");
    EXPECT_EQ(std::make_pair(motor->target(), motor->bufferedVelocity()), std::make_pair(30000, 200000));
    EXPECT_EQ(runToStop(*motor), "30000");
    strobe(0);
    EXPECT_EQ(runToStop(*motor), "5000");
    strobe(2);
    EXPECT_FALSE(motor->isMoving()) << "entry 2 is empty";
    motor->StopProgram();
    EXPECT_FALSE(motor->isProgramRunning());
}

TEST_F(MotorSimulationTest, RotaryPositionFoldsIntoOneOutputTurn) {
    // 4000 / 0.3 = 13333.3 counts per output turn.
    auto motor = addMotor(1, MotorConstants::TYPE_WX, 360, 0.3);
    motor->home(0, -1, true, 500000, 100);
    EXPECT_LT(motor->negativeLimit(), -9000000) << "a rotary axis has no limits in practice";
    for (const auto& [at, shown] :
         std::vector<std::pair<int32_t, int32_t>>{{13333 * 2 + 5, 5}, {13332, 13332}, {-1, 13332}, {-13333, 13333}}) {
        motor->setRealTimePosition(at);
        EXPECT_EQ(motor->position(), shown) << at;
    }
    EXPECT_EQ(motor->currentPosition(), -13333);
}

}  // namespace
}  // namespace vek::test
