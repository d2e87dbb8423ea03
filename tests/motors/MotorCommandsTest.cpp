#include <gtest/gtest.h>

#include "MotorTestFixture.h"
#include "vek/foundation/NumberedError.h"
#include "vek/geometry/Utils.h"
#include "vek/motors/MotorStatusWordBits.h"
#include "vek/persistence/User.h"

namespace vek::test {
namespace {

TEST_F(MotorTest, InitSendsFramingResetAndBrakeModeOfTheFamily) {
    auto motor = std::make_shared<Motor>();
    motor->setMotorType(MotorConstants::TYPE_SM);
    motor->init(3, channel_, 4000);
    EXPECT_EQ(channel_->commands(), (Wire{"3F=2", "3ZS", "3BRKSRV"}));
    EXPECT_EQ(channel_->calls(), (Wire{"getMotor 3"}));
    EXPECT_EQ(motor->name(), "Motor3");

    channel_->clear();
    auto dravo = std::make_shared<Motor>();
    dravo->setMotorType(MotorConstants::TYPE_GZ);
    dravo->init(2, channel_, 4000, context("MotorY"));
    EXPECT_EQ(channel_->commands(), (Wire{"2F=2", "2ZS", "2BRKSTP"}));
    EXPECT_EQ(dravo->name(), "MotorY");

    channel_->clear();
    auto all = std::make_shared<Motor>();
    all->init(0, channel_, 4000);
    EXPECT_EQ(channel_->commands(), (Wire{"0F=2", "0ZS"}));
}

TEST_F(MotorTest, AbsoluteAndRelativeMovesSendTheDefaultsInOrder) {
    motor_->goToPosition(1000);
    EXPECT_EQ(channel_->commands(), (Wire{"1MP", "1P=1000", "1A=100", "1V=500000", "1G"}));

    channel_->clear();
    motor_->goToPosition(-5, 20, 30);
    EXPECT_EQ(channel_->commands(), (Wire{"1MP", "1P=-5", "1A=30", "1V=20", "1G"}));

    channel_->clear();
    channel_->answer("1RP", "1500");
    motor_->goToRelativePosition(-250);
    EXPECT_EQ(channel_->commands(), (Wire{"1MP", "1RP", "1P=1250", "1A=100", "1V=500000", "1G"}));
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

TEST_F(MotorTest, EmulatedVelocityMoveTargetsFarPositionInTheDirectionOfTheSign) {
    channel_->answer("1Ry", "2000");
    motor_->goWithVelocity(-2000, 50);
    EXPECT_EQ(channel_->commands(), (Wire{"1ZS", "1MP", "1A=50", "1V=2000", "1P=-10000000", "1y=V", "1Ry", "1G"}));

    // The sign of the last velocity written steers the next emulated move.
    channel_->clear();
    motor_->setVelocity(300);
    motor_->setVelocityMode();
    motor_->startMotion();
    EXPECT_EQ(channel_->commands(), (Wire{"1V=300", "1MP", "1P=10000000", "1y=V", "1Ry", "1G"}));
}

TEST_F(MotorTest, EmulatedVelocityMoveWithZeroBufferedVelocityDeceleratesToStop) {
    channel_->answer("1Ry", "0");
    motor_->goWithVelocity(0);
    EXPECT_EQ(channel_->commands(), (Wire{"1ZS", "1MP", "1A=100", "1V=0", "1P=10000000", "1y=V", "1Ry", "1X"}));
}

TEST_F(MotorTest, ResetSendsTheLetterOfTheFlag) {
    const std::vector<std::pair<int16_t, std::string>> cases = {
        {static_cast<int16_t>(NOT_GIVEN), "1ZS"}, {MotorStatusWordBits::Br, "1Zr"},
        {MotorStatusWordBits::Bl, "1Zl"},         {MotorStatusWordBits::Bw, "1Zw"},
        {MotorStatusWordBits::Bd, "1Zd"},         {MotorStatusWordBits::Bu, "1Zu"},
        {MotorStatusWordBits::Bs, "1Zs"},         {MotorStatusWordBits::Ba, "1Za"},
        {MotorStatusWordBits::Bb, "1Zb"},         {MotorStatusWordBits::Bc, "1Zc"},
        {MotorStatusWordBits::BF, "1Zf"},         {MotorStatusWordBits::Bt, "1ZS"},
        {MotorStatusWordBits::Bk, "1ZS"},         {999, "1ZS"},
    };
    for (const auto& [flag, wire] : cases) {
        channel_->clear();
        motor_->Reset(flag);
        EXPECT_EQ(channel_->commands(), Wire{wire}) << "flag " << flag;
    }
    channel_->clear();
    motor_->Reset();
    EXPECT_EQ(channel_->commands(), Wire{"1ZS"});
}

TEST_F(MotorTest, FamilyDependentCommands) {
    motor_->firmwareReset();
    motor_->ignoreLimits(1);
    motor_->Calibrate();
    EXPECT_TRUE(channel_->commands().empty());

    auto kelpa = makeMotor(2, MotorConstants::TYPE_JP);
    auto mirvo = makeMotor(3, MotorConstants::TYPE_WX);
    auto dravo = makeMotor(4, MotorConstants::TYPE_GZ);
    auto other = makeMotor(5, 0);
    kelpa->Calibrate();
    mirvo->Calibrate();
    dravo->Calibrate();
    other->Calibrate();
    dravo->firmwareReset();
    dravo->ignoreLimits(1);
    EXPECT_EQ(channel_->commands(), (Wire{"2CALIBRATE", "3MECHZERO", "4CALIBRATE", "4XYZZY", "4IG_LIMS=1"}));

    EXPECT_EQ(motor_->motorTypeAsString(), "SmartMotor");
    EXPECT_EQ(kelpa->motorTypeAsString(), "Kelpa");
    EXPECT_EQ(mirvo->motorTypeAsString(), "Mirvo");
    EXPECT_EQ(dravo->motorTypeAsString(), "Motor");
}

TEST_F(MotorTest, ProgramStartAndStopPerFamily) {
    motor_->StartProgram();
    motor_->StartProgram(false);
    motor_->StopProgram();
    EXPECT_EQ(channel_->trace(), (Wire{"1SILENT", "1RUN", "1TALK", "1RUN", "1END", RecordingChannel::kClear, "1TALK"}));

    channel_->clear();
    auto dravo = makeMotor(2, MotorConstants::TYPE_WX);
    dravo->StartProgram();
    dravo->StopProgram();
    EXPECT_EQ(channel_->commands(), (Wire{"2BCD_ON", "2BCD_OFF"}));
}

TEST_F(MotorTest, AllMotorsObjectIteratesTheAxes) {
    auto second = makeMotor(2, MotorConstants::TYPE_SM);
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
        try {
            motor_->acceleration();
            FAIL() << "answer '" << bad << "' accepted";
        } catch (const NumberedError& e) {
            EXPECT_EQ(e.number(), 13);
            EXPECT_EQ(e.description(), "Type mismatch");
        }
    }
    channel_->answer("1RE", "40000");
    EXPECT_THROW(motor_->MaxPositionError(), NumberedError) << "16-bit overflow";
}

TEST_F(MotorTest, SettersAndSimpleCommands) {
    motor_->setStandbyPower(0.25);
    motor_->setTravel(-300);
    motor_->setOutputState(4, 1);
    motor_->setMaxCurrent(500);
    motor_->setMaxPositionError(900);
    motor_->invalidateHoming();
    motor_->ignoreAllCommands();
    motor_->ignoreAllCommands(false);
    motor_->brakeRelease();
    motor_->brakeEngage();
    motor_->StopMotion(true);
    EXPECT_EQ(channel_->commands(), (Wire{"1T2=0.25", "1TRAVEL=-300", "1O4=1", "1AMPS=500", "1E=900", "1z=0", "1SLEEP",
                                          "1WAKE", "1BRKRLS", "1BRKENG", "1X"}));
}

TEST_F(MotorTest, TuningValuesAreSentInOrderThenApplied) {
    motor_->updateTuningValues({0, 1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_EQ(channel_->commands(),
              (Wire{"1KP=1", "1KI=2", "1KD=3", "1KL=4", "1KS=5", "1KV=6", "1KA=7", "1KG=8", "1F"}));

    channel_->clear();
    try {
        motor_->updateTuningValues({0, 1, 2, 3});
        FAIL();
    } catch (const NumberedError& e) {
        EXPECT_EQ(e.number(), 9);
    }
    EXPECT_EQ(channel_->commands(), (Wire{"1KP=1", "1KI=2", "1KD=3"})) << "values before the gap are sent";
    EXPECT_THROW(motor_->getTuningValue(9), NumberedError);
    EXPECT_THROW(motor_->getTuningValue(0), NumberedError);
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
    for (int16_t bit : {-1, 16}) {
        try {
            motor_->isBitOn(0, bit);
            FAIL();
        } catch (const NumberedError& e) {
            EXPECT_EQ(e.number(), 9);
        }
    }
}

TEST_F(MotorTest, MotorWithoutChannelRefusesInsteadOfCrashing) {
    Motor motor;
    EXPECT_THROW(motor.goToPosition(1), NumberedError);
    EXPECT_FALSE(motor.canCommunicate());
}

TEST_F(MotorTest, CanCommunicateSwallowsChannelFailures) {
    EXPECT_TRUE(motor_->canCommunicate());
    channel_->failOnce("1Rz", std::make_exception_ptr(NumberedError(99, "engine gone")));
    EXPECT_FALSE(motor_->canCommunicate());
}

TEST_F(MotorTest, SmartMotorProgramsGoThroughTheChannel) {
    motor_->forceUpload("up.smx");
    motor_->download("down.smx");
    EXPECT_EQ(channel_->calls(), (Wire{"forceUpload 1 up.smx", "download 1 down.smx"}));
    EXPECT_TRUE(channel_->commands().empty());
}

TEST_F(MotorTest, DravoUploadReadsTheMotionTableUntilTheFirstEmptyEntry) {
    auto dravo = makeMotor(2, MotorConstants::TYPE_JP);
    channel_->setDefaultAnswer("0");
    for (const char* q : {"2Ral[0]", "2RVEL[0]", "2RACC[0]"}) channel_->answer(q, "10");
    channel_->answer("2RMODE[0]", "1");
    channel_->answer("2Ral[1]", "-20");
    channel_->answer("2RVEL[1]", "30");
    channel_->answer("2RACC[1]", "40");
    channel_->answer("2RMODE[1]", "2");
    channel_->answer("2RVEL[2]", "5");  // al[2] is 0: the table ends there
    const std::string file = install_->file("table.txt");
    dravo->forceUpload(file);
    EXPECT_EQ(readFileText(file),
              "MODE[0]=1\r\nal[0]=10\r\nVEL[0]=10\r\nACC[0]=10\r\n"
              "MODE[1]=2\r\nal[1]=-20\r\nVEL[1]=30\r\nACC[1]=40\r\n\r\n")
        << "the file ends with the line end that writeFile adds";
    EXPECT_EQ(channel_->commands().size(), 12u) << "three entries of four queries each";

    channel_->clear();
    channel_->answer("2RACC[0]", "0");
    dravo->forceUpload(file);
    EXPECT_EQ(readFileText(file), "\r\n") << "an empty table";
}

TEST_F(MotorTest, DravoDownloadSendsEveryTrimmedLine) {
    auto dravo = makeMotor(2, MotorConstants::TYPE_GZ);
    const std::string file = install_->file("table.txt");
    Utils().writeFile(file, "MODE[0]=1\r\n   al[0]=10  \r\n\r\nVEL[0]=10\r\n");
    dravo->download(file);
    EXPECT_EQ(channel_->commands(), (Wire{"2MODE[0]=1", "2al[0]=10", "2VEL[0]=10"}));
    EXPECT_TRUE(channel_->calls().empty());
}

}  // namespace
}  // namespace vek::test
