#include <gtest/gtest.h>

#include "MotorTestFixture.h"
#include "vek/foundation/NumberedError.h"
#include "vek/motors/MotorStatus.h"

namespace vek::test {
namespace {

class MotorStatusTest : public MotorTest {
protected:
    void SetUp() override {
        MotorTest::SetUp();
        second_ = makeMotor(2, MotorConstants::TYPE_SM);
        registerAxes({motor_, second_});
    }
    std::shared_ptr<Motor> second_;
};

TEST_F(MotorStatusTest, DecodesTheWordReadAtRefresh) {
    MotorStatus status;
    channel_->answer("1RW", "129");
    status.refresh(*axes_, 1);
    EXPECT_EQ(channel_->commands(), Wire{"1RW"});
    EXPECT_TRUE(status.Bt());
    EXPECT_TRUE(status.Bo());
    for (bool b : {status.Be(), status.Bh(), status.Bp(), status.Bm(), status.Bd(), status.Bu(), status.Bs(),
                   status.Ba(), status.Bk(), status.Br(), status.Bl(), status.Bi(), status.Bw(), status.Bx()})
        EXPECT_FALSE(b);

    channel_->answer("1RW", "32768");
    status.refresh(*axes_, 1);
    EXPECT_TRUE(status.Bk());
    EXPECT_FALSE(status.Bt());

    channel_->answer("1RW", "286");  // bits 1, 2, 3, 4, 8
    status.refresh(*axes_, 1);
    EXPECT_TRUE(status.Br() && status.Bl() && status.Bi() && status.Bw() && status.Bx());
}

TEST_F(MotorStatusTest, BitsDoNotAskAgainAndOneObjectFollowsTheLastRefresh) {
    MotorStatus status;
    channel_->answer("1RW", "1");
    channel_->answer("2RW", "1024");
    status.refresh(*axes_, 1);
    const MotorStatus& first = status;
    channel_->answer("1RW", "0");
    channel_->clear();
    EXPECT_TRUE(first.Bt()) << "snapshot, not live";
    EXPECT_TRUE(channel_->commands().empty());

    status.refresh(*axes_, 2);
    EXPECT_FALSE(first.Bt());
    EXPECT_TRUE(first.Bm());
    EXPECT_EQ(first.motor(), second_);
}

TEST_F(MotorStatusTest, LiveMembersAskTheMotor) {
    MotorStatus status;
    channel_->answer("2RW", "0");
    status.refresh(*axes_, 2);
    channel_->answer("2Rz", "0");
    EXPECT_FALSE(status.Calibration());
    channel_->answer("2Rz", "1");
    EXPECT_TRUE(status.Calibration());

    channel_->clear();
    status.setMaxCurrent(800);
    status.setMaxPositionError(300);
    EXPECT_EQ(channel_->commands(), (Wire{"2AMPS=800", "2E=300"}));
    channel_->answer("2RAMPS", "800");
    EXPECT_EQ(status.MaxCurrent(), 800);
}

TEST_F(MotorStatusTest, RefusedLimitsSendNothing) {
    MotorStatus status;
    channel_->answer("1RW", "0");
    status.refresh(*axes_, 1);
    channel_->clear();
    EXPECT_THROW(status.setMaxCurrent(-5), NumberedError);
    EXPECT_THROW(status.setMaxPositionError(-5), NumberedError);
    EXPECT_TRUE(channel_->commands().empty());
}

TEST_F(MotorStatusTest, BadRefreshesRaise) {
    MotorStatus status;
    channel_->answer("1RW", "5");
    status.refresh(*axes_, 1);
    channel_->answer("1RW", "busy");
    try {
        status.refresh(*axes_, 1);
        FAIL();
    } catch (const NumberedError& e) {
        EXPECT_EQ(e.number(), 13);
    }
    EXPECT_EQ(status.status(), 5) << "the previous snapshot stays";
    EXPECT_THROW(status.refresh(*axes_, 3), NumberedError);
    EXPECT_THROW(status.refresh(*axes_, 0), NumberedError);
}

}  // namespace
}  // namespace vek::test
