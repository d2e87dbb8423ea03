#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "MotorTestFixture.h"
#include "support/Each.h"
#include "vek/foundation/EventLoop.h"

namespace vek::test {
namespace {

class MotorHomingTest : public MotorTest {
protected:
    // A SmartMotor that stops at once at its limits and answers the
    // positions of a homing run from 50000; the index bit answers
    // `indexBit` before and after the index search.
    void scriptSmartMotorRun(std::initializer_list<std::string> indexBit = {"0", "1"}) {
        answer("1RBt=0 1RBr=1 1Ry=10000 1RBm=0 1RBp=0 1RBe=0");
        channel_->answerOnce("1RP", {"50000", "49980"});
        channel_->answerOnce("1RI", {"123", "47000"});
        channel_->answerOnce("1RBi", indexBit);
    }
};

TEST_F(MotorHomingTest, SmartMotorSeeksLimitTwiceBacksOffFindsIndexAndSetsOrigin) {
    scriptSmartMotorRun();
    EXPECT_TRUE(motor_->home(100, 1, true, 20000.4, 200.6));
    // A fast and a slow approach in emulated velocity mode; a back-off of 20
    // counts, faults ignored; the index bit cleared, then one revolution plus
    // 5 counts; to the index, and the origin.
    EXPECT_EQ(wire(),
              "1ZS "
              "1END <clear> 1TALK 1ZS 1MP 1A=201 1V=20000 1P=10000000 1y=V 1Ry 1G <clear> 1RBt 1RBr "
              "1ZS 1A=100 1V=10000 1P=10000000 1y=V 1Ry 1G <clear> 1RBt 1RBr "
              "1ZS 1RP 1MP 1P=49980 1A=100 1V=10000 1G 1RBt "
              "1ZS 1RP 1RI 1RBi 1MP 1P=45975 1A=100 1V=10000 1G 1RBt 1RBm 1RBp 1RBe 1RBi "
              "1RI 1MP 1P=47000 1A=100 1V=10000 1G 1RBt 1RBm 1RBp 1RBe 1ZS 1O=-100 1z=1");
    EXPECT_TRUE(logged("Motor[Motor1]->Motor is now homed."));
    EXPECT_FALSE(logged("Index bit didn't clear."));
}

TEST_F(MotorHomingTest, LeftwardHomingUsesLeftLimitAndMirrorsTheOffsets) {
    scriptSmartMotorRun();
    answer("1RBl=1");
    EXPECT_TRUE(motor_->home(-7, -1, true, 500, 10));
    // The left limit twice, speed as magnitude, a back-off to the right and
    // the index search beyond it.
    EXPECT_EQ(each({"1RBl", "1RBr", "1V=500", "1P=-10000000", "1P=50020", "1P=53985"},
                   [&](const char* command) { return sent(command); }),
              "2|0|1|2|1|1");
    EXPECT_THAT(wire(), ::testing::EndsWith(" 1O=7 1z=-1"));
}

// An index bit that does not clear is only logged; one that never comes is
// error 7, and the motor is not marked homed.
TEST_F(MotorHomingTest, TheIndexBitDecidesHowTheRunEnds) {
    scriptSmartMotorRun({"1", "1"});
    EXPECT_TRUE(motor_->home(0, 1, true, 100, 100));
    EXPECT_TRUE(logged("Index bit didn't clear."));
    channel_->clear();
    scriptSmartMotorRun({"0", "0"});
    EXPECT_TRUE(raisesNumbered(
        7, [&] { motor_->home(0, 1, true, 100, 100); }, "No index pulse is detected!"));
    EXPECT_EQ(sent("1z=1"), 0);
    EXPECT_EQ(channel_->commands().back(), "1RBi");
}

TEST_F(MotorHomingTest, LimitSwitchMustShowWithinFiveSeconds) {
    scriptSmartMotorRun();
    answer("1RBr=0");
    const double start = eventLoop().now();
    EXPECT_TRUE(raisesNumbered(
        6, [&] { motor_->home(0, 1, true, 100, 100); }, "Motor didn't reach limit switch within 5 seconds "));
    EXPECT_GT(eventLoop().now() - start, 5.0);
    EXPECT_LT(eventLoop().now() - start, 5.6);

    // A limit bit that shows up 3 s into each approach is in time.
    scriptSmartMotorRun();
    double since = -1;
    channel_->setResponder([&](const std::string& cmd) -> std::optional<std::string> {
        if (cmd != "1RBr") return std::nullopt;
        if (since < 0) since = eventLoop().now();
        if (eventLoop().now() - since < 3) return "0";
        since = -1;
        return "1";
    });
    EXPECT_TRUE(motor_->home(0, 1, true, 100, 100));
}

// An already homed motor is left alone unless forced; a Dravo homes to the
// end it reports; a motor of no family does not home.
TEST_F(MotorHomingTest, HomingByStateAndFamily) {
    auto dravo = makeMotor(2, JP);
    auto other = makeMotor(5, 0);
    answer("1Rz=1 2RPr=9000 2RPl=-9000 2RBt=0");
    expectWire(*channel_, {
                              {[&] { EXPECT_TRUE(motor_->home(0, 1, false, 100, 100)); }, "1ZS 1Rz"},
                              {[&] { EXPECT_TRUE(dravo->home(15, 1, true, 1, 1)); },
                               "2ZS 2ZS 2RPr 2MP 2P=9000 2A=100 2V=500000 2G 2RBt 2O=-15 2z=1"},
                              {[&] { EXPECT_TRUE(dravo->home(0, -1, true, 1, 1)); },
                               "2ZS 2ZS 2RPl 2MP 2P=-9000 2A=100 2V=500000 2G 2RBt 2O=0 2z=-1"},
                              {[&] { EXPECT_FALSE(other->home(0, 1, true, 1, 1)); }, "5ZS 5z=1"},
                          });
    EXPECT_TRUE(logged("Motor[Motor1]->Motor is already homed."));
}

}  // namespace
}  // namespace vek::test
