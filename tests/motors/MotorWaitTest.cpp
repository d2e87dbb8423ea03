#include <gtest/gtest.h>

#include "MotorTestFixture.h"
#include "vek/foundation/EventLoop.h"

namespace vek::test {
namespace {

class MotorWaitTest : public MotorTest {
protected:
    // The trajectory bit answers `before` to the first `queries` polls, then
    // `after`; polls_ counts the polls.
    void trajectoryBit(int queries, const char* before, const char* after) {
        channel_->setResponder([=, this](const std::string& cmd) -> std::optional<std::string> {
            if (cmd != "1RBt") return std::nullopt;
            return ++polls_ <= queries ? before : after;
        });
    }
    int polls_ = 0;
};

// After the stop the fault bits decide: error 8 unless faults are ignored.
TEST_F(MotorWaitTest, StoppedMotorIsCheckedForFaults) {
    answer("1RBt=0");
    EXPECT_TRUE(motor_->WaitForStop());
    EXPECT_EQ(wire(), "1RBt 1RBm 1RBp 1RBe");
    answer("1RBp=1");
    const NumberedError e = raised([&] { motor_->WaitForStop(5); });
    EXPECT_EQ(e.number(), 8);
    EXPECT_EQ(e.description(), "Error encountered while waiting for stop");
    EXPECT_EQ(e.source(), "QDX");
    EXPECT_TRUE(motor_->WaitForStop(5, true));
}

// A time-out of t ends the wait only after more than t seconds, however
// slow the channel.
TEST_F(MotorWaitTest, TimeOutReturnsFalseOnlyAfterMoreThanTheGivenSeconds) {
    answer("1RBt=1");
    const double start = eventLoop().now();
    EXPECT_FALSE(motor_->WaitForStop(2));
    EXPECT_GT(eventLoop().now() - start, 2.0);
    EXPECT_LT(eventLoop().now() - start, 2.6);
    EXPECT_TRUE(logged("Motor Motor1 didn't stop within 2 seconds."));
    channel_->clear();
    channel_->setSecondsPerQuery(0.4);
    EXPECT_FALSE(motor_->WaitForStop(3));
    EXPECT_LE(channel_->queryCount(), 10);
}

TEST_F(MotorWaitTest, MotorThatStopsJustAtTheTimeOutCountsAsStopped) {
    // Each query takes 0.6 s: the second poll ends past the time-out, and the
    // motor has stopped by the final look.
    channel_->setSecondsPerQuery(0.6);
    trajectoryBit(2, "1", "0");
    EXPECT_TRUE(motor_->WaitForStop(1));
    EXPECT_EQ(polls_, 3);
    EXPECT_FALSE(logged("Motor Motor1 didn't stop within 1 seconds."));
}

// Only a timed wait takes a stop request, and raises it as error 14; a
// channel's error reaches the caller.
TEST_F(MotorWaitTest, StopRequestsAndChannelErrorsEndTimedWaits) {
    trajectoryBit(49, "1", "0");
    flags_->stopRequested = true;
    EXPECT_TRUE(motor_->WaitForStop());
    EXPECT_TRUE(flags_->stopRequested);

    channel_->setResponder(nullptr);
    answer("1RBt=1");
    flags_->stopRequested = false;
    eventLoop().post([this] { flags_->stopRequested = true; });
    EXPECT_TRUE(raisesNumbered(
        14, [&] { motor_->WaitForStop(10); }, "Exiting WaitForStop command."));
    EXPECT_FALSE(flags_->stopRequested);
    channel_->failOnce("1RBt", std::make_exception_ptr(NumberedError(77, "line down")));
    EXPECT_TRUE(raisesNumbered(
        77, [&] { motor_->WaitForStop(5); }, "line down"));
}

TEST_F(MotorWaitTest, WaitForStartPollsUntilMoving) {
    trajectoryBit(3, "0", "1");
    motor_->waitForStart();
    EXPECT_EQ(polls_, 4);
}

}  // namespace
}  // namespace vek::test
