#include <gtest/gtest.h>

#include "MotorTestFixture.h"
#include "vek/geometry/Utils.h"
#include "vek/motors/MotorStatusWordBits.h"

namespace vek::test {
namespace {

using namespace MotorStatusWordBits;

TEST_F(MotorTest, InitSendsFramingResetAndBrakeModeOfTheFamily) {
    Motor smart, dravo, all;
    smart.setMotorType(SM);
    dravo.setMotorType(GZ);
    expectWire(*channel_, {{[&] { smart.init(3, channel_, 4000); }, "3F=2 3ZS 3BRKSRV"},
                           {[&] { dravo.init(2, channel_, 4000, context("MotorY")); }, "2F=2 2ZS 2BRKSTP"},
                           {[&] { all.init(0, channel_, 4000); }, "0F=2 0ZS"}});
    EXPECT_EQ(wireText(channel_->calls()), "getMotor 0");
    EXPECT_EQ(smart.name() + " " + dravo.name(), "Motor3 MotorY");
}

// One call at a time, in order: later calls see what earlier ones left.
TEST_F(MotorTest, EveryCommandSendsItsWire) {
    auto kelpa = makeMotor(2, JP);
    auto mirvo = makeMotor(3, WX);
    auto dravo = makeMotor(4, GZ);
    auto other = makeMotor(5, 0);
    answer("1RP=1500 1Ry=2000 4Ry=0");
    const std::vector<int32_t> gains{0, 1, 2, 3, 4, 5, 6, 7, 8};
    Motor& m = *motor_;
    // Moves send the jog defaults for what is not given. Velocity mode is a
    // position move to a far target on the side of the last velocity
    // written, that decelerates to a stop when no speed is buffered. New
    // gains take effect with F. Some commands exist for some families only.
    std::vector<WireCase> cases = {
        {[&] { m.goToPosition(1000); }, "1MP 1P=1000 1A=100 1V=500000 1G"},
        {[&] { m.goToPosition(-5, 20, 30); }, "1MP 1P=-5 1A=30 1V=20 1G"},
        {[&] { m.goToRelativePosition(-250); }, "1MP 1RP 1P=1250 1A=100 1V=500000 1G"},
        {[&] { m.goWithVelocity(-2000, 50); }, "1ZS 1MP 1A=50 1V=2000 1P=-10000000 1y=V 1Ry 1G"},
        {[&] { m.setVelocity(300); }, "1V=300"},
        {[&] { m.setVelocityMode(); }, "1MP"},
        {[&] { m.startMotion(); }, "1P=10000000 1y=V 1Ry 1G"},
        {[&] { dravo->goWithVelocity(0); }, "4ZS 4MP 4A=100 4V=0 4P=10000000 4y=V 4Ry 4X"},
        {[&] { m.updateTuningValues(gains); }, "1KP=1 1KI=2 1KD=3 1KL=4 1KS=5 1KV=6 1KA=7 1KG=8 1F"},
        {[&] { m.firmwareReset(); }, ""},
        {[&] { m.ignoreLimits(1); }, ""},
        {[&] { m.Calibrate(); }, ""},
        {[&] { other->Calibrate(); }, ""},
        {[&] { kelpa->Calibrate(); }, "2CALIBRATE"},
        {[&] { mirvo->Calibrate(); }, "3MECHZERO"},
        {[&] { dravo->Calibrate(); }, "4CALIBRATE"},
        {[&] { dravo->firmwareReset(); }, "4XYZZY"},
        {[&] { dravo->ignoreLimits(1); }, "4IG_LIMS=1"},
        {[&] { m.StartProgram(); }, "1SILENT 1RUN"},
        {[&] { m.StartProgram(false); }, "1TALK 1RUN"},
        {[&] { m.StopProgram(); }, "1END <clear> 1TALK"},
        {[&] { mirvo->StartProgram(); }, "3BCD_ON"},
        {[&] { mirvo->StopProgram(); }, "3BCD_OFF"},
        {[&] { m.setStandbyPower(0.25); }, "1T2=0.25"},
        {[&] { m.setTravel(-300); }, "1TRAVEL=-300"},
        {[&] { m.setOutputState(4, 1); }, "1O4=1"},
        {[&] { m.setMaxCurrent(500); }, "1AMPS=500"},
        {[&] { m.setMaxPositionError(900); }, "1E=900"},
        {[&] { m.invalidateHoming(); }, "1z=0"},
        {[&] { m.ignoreAllCommands(); }, "1SLEEP"},
        {[&] { m.ignoreAllCommands(false); }, "1WAKE"},
        {[&] { m.brakeRelease(); }, "1BRKRLS"},
        {[&] { m.brakeEngage(); }, "1BRKENG"},
        {[&] { m.StopMotion(true); }, "1X"},
        {[&] { m.Reset(); }, "1ZS"},
    };
    // A reset names the flag it clears; S clears them all.
    const std::vector<std::pair<int16_t, const char*>> resets = {
        {Br, "1Zr"}, {Bl, "1Zl"}, {Bw, "1Zw"}, {Bd, "1Zd"}, {Bu, "1Zu"}, {Bs, "1Zs"},  {Ba, "1Za"},
        {Bb, "1Zb"}, {Bc, "1Zc"}, {BF, "1Zf"}, {Bt, "1ZS"}, {Bk, "1ZS"}, {999, "1ZS"}, {NOT_GIVEN, "1ZS"},
    };
    for (const auto& [flag, command] : resets) cases.push_back({[&m, flag = flag] { m.Reset(flag); }, command});
    expectWire(*channel_, cases);
    EXPECT_EQ(m.motorTypeAsString() + " " + kelpa->motorTypeAsString() + " " + mirvo->motorTypeAsString() + " " +
                  dravo->motorTypeAsString(),
              "SmartMotor Kelpa Mirvo Motor");
}

TEST_F(MotorTest, AllMotorsObjectIteratesTheAxes) {
    auto second = makeMotor(2, SM);
    auto all = makeMotor(0, 0);
    EXPECT_TRUE(all->isHomed()) << "no axes: homed";
    registerAxes({motor_, second});
    answer("1Rz=1 2Rz=0");
    EXPECT_FALSE(all->isHomed());
    answer("2Rz=-1");
    EXPECT_TRUE(all->isHomed());

    channel_->clear();
    answer("1RBt=1");
    EXPECT_TRUE(all->isMoving());
    EXPECT_EQ(wire(), "1RBt") << "stops asking at the first moving motor";
    expectWire(*channel_, {{[&] { all->stopServo(); }, "1OFF 2OFF"},
                           {[&] { all->StartProgram(); }, "1SILENT 1RUN 2SILENT 2RUN"},
                           {[&] { all->StopMotion(false); }, "0S"}});  // others address motor 0
    answer("2RBo=1");
    EXPECT_FALSE(all->isServoOff());
    answer("1RBo=1");
    EXPECT_TRUE(all->isServoOff());
    answer("2RBe=1");
    EXPECT_TRUE(all->hasFault());
}

// Answers are parsed as numbers, and refused when they are none; tuning
// values are numbered 1..8, and values before a gap in them are sent.
TEST_F(MotorTest, QueriesParseAnswersAndRefuseNonNumericOnes) {
    channel_->answer("1RP", " 1234 ");
    answer("1RV=2.5 1Ry=25 1RAMPS=700 1RI3=1 1RKD=42 1RE=40000");
    // The velocity halves to even.
    EXPECT_EQ(std::make_tuple(motor_->position(), motor_->velocity(), motor_->temperature(), motor_->MaxCurrent(),
                              motor_->getInputState(3), motor_->getTuningValue(MotorConstants::KD)),
              std::make_tuple(1234, 2, 77.0, int16_t{700}, int16_t{1}, int32_t{42}));
    EXPECT_TRUE(raisesNumbered(
        6, [&] { motor_->MaxPositionError(); }, "Overflow"))
        << "16-bit overflow";
    for (const char* bad : {"", "abc", "12x"}) {
        channel_->answer("1RA", bad);
        EXPECT_TRUE(raisesNumbered(
            13, [&] { motor_->acceleration(); }, "Type mismatch"))
            << bad;
    }
    const std::vector<int32_t> gap{0, 1, 2, 3};
    channel_->clear();
    EXPECT_TRUE(raisesNumbered(
        9, [&] { motor_->updateTuningValues(gap); }, "Subscript out of range"));
    EXPECT_EQ(wire(), "1KP=1 1KI=2 1KD=3");
    for (int16_t which : {0, 9}) EXPECT_TRUE(raisesNumbered(9, [&] { motor_->getTuningValue(which); })) << which;
}

TEST_F(MotorTest, StatusTextListsTheSetBits) {
    answer("1RW=0");
    EXPECT_EQ(motor_->toString(), "");
    answer("1RW=129");
    EXPECT_EQ(motor_->toString(), " Bt - Trajectory in progress = True Bo - Motor off = True");
    answer("1RW=garbage");
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
    const std::string file = install_->file("table.txt");
    Utils().writeFile(file, "MODE[0]=1\r\n   al[0]=10  \r\n\r\nVEL[0]=10\r\n");
    motor_->forceUpload("up.smx");
    motor_->download("down.smx");
    dravo->download(file);
    EXPECT_EQ(wireText(channel_->calls()), "forceUpload 1 up.smx download 1 down.smx");
    EXPECT_EQ(wire(), "2MODE[0]=1 2al[0]=10 2VEL[0]=10") << "a Dravo's lines trimmed, blank ones skipped";

    channel_->clear();
    channel_->setDefaultAnswer("0");
    answer("2Ral[0]=10 2RVEL[0]=10 2RACC[0]=10 2RMODE[0]=1 2Ral[1]=-20 2RVEL[1]=30 2RACC[1]=40 2RMODE[1]=2");
    answer("2RVEL[2]=5");  // al[2] is 0: the table ends there
    dravo->forceUpload(file);
    EXPECT_EQ(readFileText(file),
              "MODE[0]=1\r\nal[0]=10\r\nVEL[0]=10\r\nACC[0]=10\r\n"
              "MODE[1]=2\r\nal[1]=-20\r\nVEL[1]=30\r\nACC[1]=40\r\n\r\n")
        << "the file ends with the line end that writeFile adds";
    EXPECT_EQ(channel_->commands().size(), 12u) << "three entries of four queries each";
    EXPECT_TRUE(channel_->calls().empty());
    answer("2RACC[0]=0");
    dravo->forceUpload(file);
    EXPECT_EQ(readFileText(file), "\r\n") << "an empty table";
}

}  // namespace
}  // namespace vek::test
