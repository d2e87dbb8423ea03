#include <gtest/gtest.h>

#include "MotorTestFixture.h"
#include "vek/foundation/EventLoop.h"
#include "vek/foundation/NumberedError.h"

namespace vek::test {
namespace {

class MotorHomingTest : public MotorTest {
protected:
    // A SmartMotor that stops at once at its limits and answers the
    // positions of a homing run from 50000.
    void scriptSmartMotorRun(std::initializer_list<std::string> indexBit = {"0", "1"}) {
        channel_->answer("1RBt", "0");
        channel_->answer("1RBr", "1");
        channel_->answer("1Ry", "10000");
        channel_->answerOnce("1RP", {"50000", "49980"});
        channel_->answerOnce("1RI", {"123", "47000"});
        channel_->answerOnce("1RBi", indexBit);
        channel_->answer("1RBm", "0");
        channel_->answer("1RBp", "0");
        channel_->answer("1RBe", "0");
    }
};

TEST_F(MotorHomingTest, SmartMotorSeeksLimitTwiceBacksOffFindsIndexAndSetsOrigin) {
    scriptSmartMotorRun();
    EXPECT_TRUE(motor_->home(100, 1, true, 20000.4, 200.6));
    const Wire expected = {
        "1ZS",
        // fast approach in emulated velocity mode
        "1END", RecordingChannel::kClear, "1TALK", "1ZS", "1MP", "1A=201", "1V=20000", "1P=10000000", "1y=V", "1Ry",
        "1G", RecordingChannel::kClear, "1RBt", "1RBr",
        // slow approach
        "1ZS", "1A=100", "1V=10000", "1P=10000000", "1y=V", "1Ry", "1G", RecordingChannel::kClear, "1RBt", "1RBr",
        // back off 20 counts, faults ignored
        "1ZS", "1RP", "1MP", "1P=49980", "1A=100", "1V=10000", "1G", "1RBt",
        // clear the index bit, then one revolution plus 5 counts
        "1ZS", "1RP", "1RI", "1RBi", "1MP", "1P=45975", "1A=100", "1V=10000", "1G", "1RBt", "1RBm", "1RBp", "1RBe",
        "1RBi",
        // to the index, then the origin
        "1RI", "1MP", "1P=47000", "1A=100", "1V=10000", "1G", "1RBt", "1RBm", "1RBp", "1RBe", "1ZS", "1O=-100", "1z=1"};
    EXPECT_EQ(channel_->trace(), expected);
    EXPECT_TRUE(logged("Motor[Motor1]->Motor is now homed."));
    EXPECT_FALSE(logged("Index bit didn't clear."));
}

TEST_F(MotorHomingTest, LeftwardHomingUsesLeftLimitAndMirrorsTheOffsets) {
    scriptSmartMotorRun();
    channel_->answer("1RBl", "1");
    EXPECT_TRUE(motor_->home(-7, -1, true, 500, 10));
    const auto& c = channel_->commands();
    EXPECT_EQ(std::count(c.begin(), c.end(), "1RBl"), 2);
    EXPECT_EQ(std::count(c.begin(), c.end(), "1RBr"), 0);
    EXPECT_NE(std::find(c.begin(), c.end(), "1V=500"), c.end()) << "speed is sent as magnitude";
    EXPECT_NE(std::find(c.begin(), c.end(), "1P=-10000000"), c.end());
    EXPECT_NE(std::find(c.begin(), c.end(), "1P=50020"), c.end()) << "backs off to the right";
    EXPECT_NE(std::find(c.begin(), c.end(), "1P=53985"), c.end());
    EXPECT_EQ(c[c.size() - 2], "1O=7");
    EXPECT_EQ(c.back(), "1z=-1");
}

TEST_F(MotorHomingTest, IndexBitThatDoesNotClearIsLoggedAndHomingGoesOn) {
    scriptSmartMotorRun({"1", "1"});
    EXPECT_TRUE(motor_->home(0, 1, true, 100, 100));
    EXPECT_TRUE(logged("Index bit didn't clear."));
}

TEST_F(MotorHomingTest, NoIndexPulseRaisesSevenAndLeavesHomedFlagAlone) {
    scriptSmartMotorRun({"0", "0"});
    try {
        motor_->home(0, 1, true, 100, 100);
        FAIL();
    } catch (const NumberedError& e) {
        EXPECT_EQ(e.number(), 7);
        EXPECT_EQ(e.description(), "No index pulse is detected!");
    }
    const auto& c = channel_->commands();
    EXPECT_EQ(std::find(c.begin(), c.end(), "1z=1"), c.end());
    EXPECT_EQ(c.back(), "1RBi");
}

TEST_F(MotorHomingTest, NoLimitSwitchAfterFiveSecondsRaisesSix) {
    scriptSmartMotorRun();
    channel_->answer("1RBr", "0");
    const double start = eventLoop().now();
    try {
        motor_->home(0, 1, true, 100, 100);
        FAIL();
    } catch (const NumberedError& e) {
        EXPECT_EQ(e.number(), 6);
        EXPECT_EQ(e.description(), "Motor didn't reach limit switch within 5 seconds ");
    }
    EXPECT_GT(eventLoop().now() - start, 5.0);
    EXPECT_LT(eventLoop().now() - start, 5.6);
}

TEST_F(MotorHomingTest, LimitSwitchConfirmedAfterAWhile) {
    scriptSmartMotorRun();
    // The limit bit shows up 3 s into each approach.
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

TEST_F(MotorHomingTest, AlreadyHomedMotorIsLeftAloneUnlessForced) {
    channel_->answer("1Rz", "1");
    EXPECT_TRUE(motor_->home(0, 1, false, 100, 100));
    EXPECT_EQ(channel_->commands(), (Wire{"1ZS", "1Rz"}));
    EXPECT_TRUE(logged("Motor[Motor1]->Motor is already homed."));
}

TEST_F(MotorHomingTest, DravoHomesToTheEndItReports) {
    auto dravo = makeMotor(2, MotorConstants::TYPE_JP);
    channel_->answer("2RPr", "9000");
    channel_->answer("2RPl", "-9000");
    channel_->answer("2RBt", "0");
    EXPECT_TRUE(dravo->home(15, 1, true, 1, 1));
    EXPECT_EQ(channel_->commands(),
              (Wire{"2ZS", "2ZS", "2RPr", "2MP", "2P=9000", "2A=100", "2V=500000", "2G", "2RBt", "2O=-15", "2z=1"}));
    channel_->clear();
    EXPECT_TRUE(dravo->home(0, -1, true, 1, 1));
    EXPECT_EQ(channel_->commands(),
              (Wire{"2ZS", "2ZS", "2RPl", "2MP", "2P=-9000", "2A=100", "2V=500000", "2G", "2RBt", "2O=0", "2z=-1"}));
}

TEST_F(MotorHomingTest, MotorOfNoFamilyReturnsFalseWithoutHoming) {
    auto other = makeMotor(5, 0);
    EXPECT_FALSE(other->home(0, 1, true, 1, 1));
    EXPECT_EQ(channel_->commands(), (Wire{"5ZS", "5z=1"}));
}

}  // namespace
}  // namespace vek::test
