#include <gtest/gtest.h>

#include "MotorTestFixture.h"
#include "vek/motors/MotorStatus.h"

namespace vek::test {
namespace {

class MotorStatusTest : public MotorTest {
protected:
    void SetUp() override {
        MotorTest::SetUp();
        second_ = makeMotor(2, SM);
        registerAxes({motor_, second_});
    }
    // The names of the bits the snapshot shows set, in word order.
    static std::string setBits(const MotorStatus& s) {
        const std::pair<const char*, bool (MotorStatus::*)() const> bits[] = {
            {"Bt", &MotorStatus::Bt}, {"Br", &MotorStatus::Br}, {"Bl", &MotorStatus::Bl}, {"Bi", &MotorStatus::Bi},
            {"Bw", &MotorStatus::Bw}, {"Be", &MotorStatus::Be}, {"Bh", &MotorStatus::Bh}, {"Bo", &MotorStatus::Bo},
            {"Bx", &MotorStatus::Bx}, {"Bp", &MotorStatus::Bp}, {"Bm", &MotorStatus::Bm}, {"Bd", &MotorStatus::Bd},
            {"Bu", &MotorStatus::Bu}, {"Bs", &MotorStatus::Bs}, {"Ba", &MotorStatus::Ba}, {"Bk", &MotorStatus::Bk}};
        std::string names;
        for (const auto& [name, bit] : bits)
            if ((s.*bit)()) names += names.empty() ? name : std::string(" ") + name;
        return names;
    }
    std::shared_ptr<Motor> second_;
    MotorStatus status_;
};

// Each bit of the word read at refresh decodes to its own member. One object
// follows the last refresh, so an earlier reference shows the latest motor;
// its bits are a snapshot and do not ask again.
TEST_F(MotorStatusTest, DecodesTheWordOfTheLastRefreshAndDoesNotAskAgain) {
    for (const auto& [word, bits] : std::vector<std::pair<const char*, const char*>>{
             {"129", "Bt Bo"}, {"32768", "Bk"}, {"286", "Br Bl Bi Bw Bx"}, {"32352", "Be Bh Bp Bm Bd Bu Bs Ba"}}) {
        channel_->clear();
        channel_->answer("1RW", word);
        status_.refresh(*axes_, 1);
        EXPECT_EQ(wire(), "1RW");
        EXPECT_EQ(setBits(status_), bits) << word;
    }
    const MotorStatus& first = status_;
    answer("1RW=0 2RW=1024");
    channel_->clear();
    EXPECT_TRUE(first.Be() && first.Ba());
    EXPECT_TRUE(channel_->commands().empty());
    status_.refresh(*axes_, 2);
    EXPECT_EQ(setBits(first), "Bm");
    EXPECT_EQ(first.motor(), second_);
}

TEST_F(MotorStatusTest, LiveMembersAskTheMotorAndCheckLimitsFirst) {
    answer("2RW=0");
    status_.refresh(*axes_, 2);
    answer("2Rz=0");
    EXPECT_FALSE(status_.Calibration());
    answer("2Rz=1");
    EXPECT_TRUE(status_.Calibration());

    channel_->clear();
    status_.setMaxCurrent(800);
    status_.setMaxPositionError(300);
    EXPECT_TRUE(raisesNumbered(
        11, [&] { status_.setMaxCurrent(-5); }, "MaxCurrent (0 to 1023) is out of bounds."));
    EXPECT_TRUE(raisesNumbered(
        11, [&] { status_.setMaxPositionError(-5); }, "MaxPositionError (1 to 32000) is out of bounds."));
    EXPECT_EQ(wire(), "2AMPS=800 2E=300") << "refused limits send nothing";
    answer("2RAMPS=800");
    EXPECT_EQ(status_.MaxCurrent(), 800);
}

TEST_F(MotorStatusTest, BadRefreshesRaiseAndKeepTheSnapshot) {
    answer("1RW=5");
    status_.refresh(*axes_, 1);
    answer("1RW=busy");
    EXPECT_TRUE(raisesNumbered(
        13, [&] { status_.refresh(*axes_, 1); }, "Type mismatch"));
    EXPECT_EQ(status_.status(), 5);
    EXPECT_EQ(status_.motor(), motor_);
    for (int16_t index : {0, 3}) EXPECT_TRUE(raisesNumbered(9, [&] { status_.refresh(*axes_, index); })) << index;
}

}  // namespace
}  // namespace vek::test
