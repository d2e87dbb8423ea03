#include <gtest/gtest.h>

#include "MotorTestFixture.h"
#include "vek/geometry/Utils.h"
#include "vek/motors/MotorStatusWordBits.h"
#include "vek/persistence/User.h"

namespace vek::test {
namespace {

using namespace MotorStatusWordBits;

TEST_F(MotorTest, InitSendsFramingResetAndBrakeModeOfTheFamily) {
    struct Case {
        int32_t id;
        int16_t type;
        std::string name, shownName;
        Wire wire;
    };
    for (const Case& c :
         {Case{3, SM, "", "Motor3", {"3F=2", "3ZS", "3BRKSRV"}},
          Case{2, GZ, "MotorY", "MotorY", {"2F=2", "2ZS", "2BRKSTP"}}, Case{0, SM, "", "Motor0", {"0F=2", "0ZS"}}}) {
        channel_->clear();
        Motor motor;
        motor.setMotorType(c.type);
        motor.init(c.id, channel_, 4000, context(c.name));
        EXPECT_EQ(channel_->commands(), c.wire);
        EXPECT_EQ(channel_->calls(), Wire{"getMotor " + std::to_string(c.id)});
        EXPECT_EQ(motor.name(), c.shownName);
    }
}

// One call at a time, in order: later calls see what earlier ones left.
TEST_F(MotorTest, EveryCommandSendsItsWire) {
    auto kelpa = makeMotor(2, JP);
    auto mirvo = makeMotor(3, WX);
    auto dravo = makeMotor(4, GZ);
    auto other = makeMotor(5, 0);
    channel_->answer("1RP", "1500");
    channel_->answer("1Ry", "2000");
    channel_->answer("4Ry", "0");
    const std::vector<int32_t> gains{0, 1, 2, 3, 4, 5, 6, 7, 8};
    Motor& m = *motor_;
    expectWire(
        *channel_,
        {
            // Moves send the jog defaults for what is not given.
            {[&] { m.goToPosition(1000); }, {"1MP", "1P=1000", "1A=100", "1V=500000", "1G"}},
            {[&] { m.goToPosition(-5, 20, 30); }, {"1MP", "1P=-5", "1A=30", "1V=20", "1G"}},
            {[&] { m.goToRelativePosition(-250); }, {"1MP", "1RP", "1P=1250", "1A=100", "1V=500000", "1G"}},
            // Velocity mode is a position move to a far target on the
            // side of the last velocity written...
            {[&] { m.goWithVelocity(-2000, 50); },
             {"1ZS", "1MP", "1A=50", "1V=2000", "1P=-10000000", "1y=V", "1Ry", "1G"}},
            {[&] { m.setVelocity(300); }, {"1V=300"}},
            {[&] { m.setVelocityMode(); }, {"1MP"}},
            {[&] { m.startMotion(); }, {"1P=10000000", "1y=V", "1Ry", "1G"}},
            // ...that decelerates to a stop when no speed is buffered.
            {[&] { dravo->goWithVelocity(0); }, {"4ZS", "4MP", "4A=100", "4V=0", "4P=10000000", "4y=V", "4Ry", "4X"}},
            {[&] {
                 for (int16_t flag :
                      std::initializer_list<int16_t>{Br, Bl, Bw, Bd, Bu, Bs, Ba, Bb, Bc, BF, Bt, Bk, 999, NOT_GIVEN})
                     m.Reset(flag);
             },
             {"1Zr", "1Zl", "1Zw", "1Zd", "1Zu", "1Zs", "1Za", "1Zb", "1Zc", "1Zf", "1ZS", "1ZS", "1ZS", "1ZS"}},
            {[&] { m.Reset(); }, {"1ZS"}},
            // Family-dependent commands: a SmartMotor has none of these.
            {[&] { m.firmwareReset(); }, {}},
            {[&] { m.ignoreLimits(1); }, {}},
            {[&] { m.Calibrate(); }, {}},
            {[&] { other->Calibrate(); }, {}},
            {[&] { kelpa->Calibrate(); }, {"2CALIBRATE"}},
            {[&] { mirvo->Calibrate(); }, {"3MECHZERO"}},
            {[&] { dravo->Calibrate(); }, {"4CALIBRATE"}},
            {[&] { dravo->firmwareReset(); }, {"4XYZZY"}},
            {[&] { dravo->ignoreLimits(1); }, {"4IG_LIMS=1"}},
            {[&] { m.StartProgram(); }, {"1SILENT", "1RUN"}},
            {[&] { m.StartProgram(false); }, {"1TALK", "1RUN"}},
            {[&] { m.StopProgram(); }, {"1END", RecordingChannel::kClear, "1TALK"}},
            {[&] { mirvo->StartProgram(); }, {"3BCD_ON"}},
            {[&] { mirvo->StopProgram(); }, {"3BCD_OFF"}},
            {[&] { m.setStandbyPower(0.25); }, {"1T2=0.25"}},
            {[&] { m.setTravel(-300); }, {"1TRAVEL=-300"}},
            {[&] { m.setOutputState(4, 1); }, {"1O4=1"}},
            {[&] { m.setMaxCurrent(500); }, {"1AMPS=500"}},
            {[&] { m.setMaxPositionError(900); }, {"1E=900"}},
            {[&] { m.invalidateHoming(); }, {"1z=0"}},
            {[&] { m.ignoreAllCommands(); }, {"1SLEEP"}},
            {[&] { m.ignoreAllCommands(false); }, {"1WAKE"}},
            {[&] { m.brakeRelease(); }, {"1BRKRLS"}},
            {[&] { m.brakeEngage(); }, {"1BRKENG"}},
            {[&] { m.StopMotion(true); }, {"1X"}},
            // New gains take effect with F.
            {[&] { m.updateTuningValues(gains); },
             {"1KP=1", "1KI=2", "1KD=3", "1KL=4", "1KS=5", "1KV=6", "1KA=7", "1KG=8", "1F"}},
        });
    EXPECT_EQ(
        m.motorTypeAsString() + kelpa->motorTypeAsString() + mirvo->motorTypeAsString() + dravo->motorTypeAsString(),
        "SmartMotorKelpaMirvoMotor");
}

TEST_F(MotorTest, MoveLogLineShowsMissingArgumentsAsNotGiven) {
    runtime().user->setUserRole(UserRoles::DEVELOPER);
    motor_->goToPosition(1000);
    EXPECT_TRUE(logged("goToPosition -> PositionMode[p=1000][v=-31913][a=-31913]"));
    channel_->answer("1Ry", "5");
    motor_->goWithVelocity(7);
    EXPECT_TRUE(logged("goWithVelocity -> VelocityMode[v=7][a=-31913]"));
    EXPECT_TRUE(logged("Simulating MV"));
}

TEST_F(MotorTest, AllMotorsObjectIteratesTheAxes) {
    auto second = makeMotor(2, SM);
    auto all = makeMotor(0, 0);
    EXPECT_TRUE(all->isHomed()) << "no axes: homed";
    registerAxes({motor_, second});

    channel_->answer("1Rz", "1");
    channel_->answer("2Rz", "0");
    EXPECT_FALSE(all->isHomed());
    channel_->answer("2Rz", "-1");
    EXPECT_TRUE(all->isHomed());

    channel_->clear();
    channel_->answer("1RBt", "1");
    EXPECT_TRUE(all->isMoving());
    EXPECT_EQ(channel_->commands(), Wire{"1RBt"}) << "stops asking at the first moving motor";

    channel_->clear();
    all->stopServo();
    all->StartProgram();
    EXPECT_EQ(channel_->commands(), (Wire{"1OFF", "2OFF", "1SILENT", "1RUN", "2SILENT", "2RUN"}));

    channel_->answer("2RBo", "1");
    EXPECT_FALSE(all->isServoOff());
    channel_->answer("1RBo", "1");
    EXPECT_TRUE(all->isServoOff());
    channel_->answer("2RBe", "1");
    EXPECT_TRUE(all->hasFault());

    // Other operations of the all-motors object address motor 0.
    channel_->clear();
    all->StopMotion(false);
    EXPECT_EQ(channel_->commands(), Wire{"0S"});
}

TEST_F(MotorTest, QueriesParseAnswersAndRefuseNonNumericOnes) {
    channel_->answer("1RP", " 1234 ");
    EXPECT_EQ(motor_->position(), 1234);
    channel_->answer("1RV", "2.5");
    EXPECT_EQ(motor_->velocity(), 2) << "halves to even";
    channel_->answer("1Ry", "25");
    EXPECT_DOUBLE_EQ(motor_->temperature(), 77);
    channel_->answer("1RAMPS", "700");
    EXPECT_EQ(motor_->MaxCurrent(), 700);
    channel_->answer("1RI3", "1");
    EXPECT_EQ(motor_->getInputState(3), 1);
    channel_->answer("1RKD", "42");
    EXPECT_EQ(motor_->getTuningValue(MotorConstants::KD), 42);

    for (const char* bad : {"", "abc", "12x"}) {
        channel_->answer("1RA", bad);
        EXPECT_TRUE(raisesNumbered(
            13, [&] { motor_->acceleration(); }, "Type mismatch"))
            << bad;
    }
    channel_->answer("1RE", "40000");
    EXPECT_TRUE(raisesNumbered(
        6, [&] { motor_->MaxPositionError(); }, "Overflow"))
        << "16-bit overflow";
}

TEST_F(MotorTest, TuningValuesStopAtTheFirstMissingOne) {
    EXPECT_TRUE(raisesNumbered(
        9,
        [&] {
            motor_->updateTuningValues({0, 1, 2, 3});
        },
        "Subscript out of range"));
    EXPECT_EQ(channel_->commands(), (Wire{"1KP=1", "1KI=2", "1KD=3"})) << "values before the gap are sent";
    for (int16_t which : {0, 9}) EXPECT_TRUE(raisesNumbered(9, [&] { motor_->getTuningValue(which); })) << which;
}

TEST_F(MotorTest, StatusTextListsTheSetBits) {
    channel_->answer("1RW", "0");
    EXPECT_EQ(motor_->toString(), "");
    channel_->answer("1RW", "129");
    EXPECT_EQ(motor_->toString(), " Bt - Trajectory in progress = True Bo - Motor off = True");
    channel_->answer("1RW", "garbage");
    EXPECT_EQ(motor_->toString(), "") << "a failed read is swallowed";

    EXPECT_TRUE(motor_->isBitOn(32768, 15));
    EXPECT_FALSE(motor_->isBitOn(32767, 15));
    for (int16_t bit : {-1, 16}) EXPECT_TRUE(raisesNumbered(9, [&] { motor_->isBitOn(0, bit); })) << bit;
}

TEST_F(MotorTest, MissingOrFailingChannelIsRefusedOrSwallowed) {
    Motor unset;
    EXPECT_TRUE(raisesNumbered(
        11, [&] { unset.goToPosition(1); }, "Object is uninitialized. Please assign a new object to the variable."));
    EXPECT_FALSE(unset.canCommunicate());
    EXPECT_TRUE(motor_->canCommunicate());
    channel_->failOnce("1Rz", std::make_exception_ptr(NumberedError(99, "engine gone")));
    EXPECT_FALSE(motor_->canCommunicate());
}

// A SmartMotor's programs go through the channel; a Dravo's motion table
// goes line by line, and is read back entry by entry to the first empty one.
TEST_F(MotorTest, ProgramsAndMotionTablesMoveByFamily) {
    auto dravo = makeMotor(2, JP);
    motor_->forceUpload("up.smx");
    motor_->download("down.smx");
    EXPECT_EQ(channel_->calls(), (Wire{"forceUpload 1 up.smx", "download 1 down.smx"}));
    EXPECT_TRUE(channel_->commands().empty());

    channel_->clear();
    const std::string file = install_->file("table.txt");
    Utils().writeFile(file, "MODE[0]=1\r\n   al[0]=10  \r\n\r\nVEL[0]=10\r\n");
    dravo->download(file);
    EXPECT_EQ(channel_->commands(), (Wire{"2MODE[0]=1", "2al[0]=10", "2VEL[0]=10"})) << "trimmed, blank lines skipped";

    channel_->clear();
    channel_->setDefaultAnswer("0");
    for (const char* q : {"2Ral[0]", "2RVEL[0]", "2RACC[0]"}) channel_->answer(q, "10");
    channel_->answer("2RMODE[0]", "1");
    channel_->answer("2Ral[1]", "-20");
    channel_->answer("2RVEL[1]", "30");
    channel_->answer("2RACC[1]", "40");
    channel_->answer("2RMODE[1]", "2");
    channel_->answer("2RVEL[2]", "5");  // al[2] is 0: the table ends there
    dravo->forceUpload(file);
    EXPECT_EQ(readFileText(file),
              "MODE[0]=1\r\nal[0]=10\r\nVEL[0]=10\r\nACC[0]=10\r\n"
              "MODE[1]=2\r\nal[1]=-20\r\nVEL[1]=30\r\nACC[1]=40\r\n\r\n")
        << "the file ends with the line end that writeFile adds";
    EXPECT_EQ(channel_->commands().size(), 12u) << "three entries of four queries each";
    EXPECT_TRUE(channel_->calls().empty()) << "a Dravo's table does not go through the channel's files";

    channel_->answer("2RACC[0]", "0");
    dravo->forceUpload(file);
    EXPECT_EQ(readFileText(file), "\r\n") << "an empty table";
}

}  // namespace
}  // namespace vek::test
