#include <gtest/gtest.h>

#include "MotorTestFixture.h"
#include "vek/foundation/EventLoop.h"
#include "vek/foundation/NumberedError.h"

namespace vek::test {
namespace {

using MotorWaitTest = MotorTest;

TEST_F(MotorWaitTest, StoppedMotorWithoutFaultReturnsTrue) {
    channel_->answer("1RBt", "0");
    EXPECT_TRUE(motor_->WaitForStop());
    EXPECT_EQ(channel_->commands(), (Wire{"1RBt", "1RBm", "1RBp", "1RBe"}));
}

TEST_F(MotorWaitTest, TimeOutReturnsFalseOnlyAfterMoreThanTheGivenSeconds) {
    channel_->answer("1RBt", "1");
    const double start = eventLoop().now();
    EXPECT_FALSE(motor_->WaitForStop(2));
    const double elapsed = eventLoop().now() - start;
    EXPECT_GT(elapsed, 2.0);
    EXPECT_LT(elapsed, 2.6);
    EXPECT_TRUE(logged("Motor Motor1 didn't stop within 2 seconds."));
}

TEST_F(MotorWaitTest, MotorThatStopsJustAtTheTimeOutCountsAsStopped) {
    // Each query takes 0.6 s: the second poll ends past the time-out, and the
    // motor has stopped by the final look.
    int polls = 0;
    channel_->setSecondsPerQuery(0.6);
    channel_->setResponder([&](const std::string& cmd) -> std::optional<std::string> {
        if (cmd != "1RBt") return std::nullopt;
        return ++polls < 3 ? "1" : "0";
    });
    EXPECT_TRUE(motor_->WaitForStop(1));
    EXPECT_EQ(polls, 3);
    EXPECT_FALSE(logged("Motor Motor1 didn't stop within 1 seconds."));
}

TEST_F(MotorWaitTest, SlowChannelStillEndsTheWait) {
    channel_->answer("1RBt", "1");
    channel_->setSecondsPerQuery(0.4);
    EXPECT_FALSE(motor_->WaitForStop(3));
    EXPECT_LE(channel_->queryCount(), 10);
}

TEST_F(MotorWaitTest, StopRequestDuringTimedWaitIsClearedAndRaised) {
    channel_->answer("1RBt", "1");
    eventLoop().post([this] { flags_->stopRequested = true; });
    try {
        motor_->WaitForStop(10);
        FAIL();
    } catch (const NumberedError& e) {
        EXPECT_EQ(e.number(), 14);
        EXPECT_EQ(e.description(), "Exiting WaitForStop command.");
    }
    EXPECT_FALSE(flags_->stopRequested);
}

TEST_F(MotorWaitTest, UntimedWaitIgnoresStopRequests) {
    int polls = 0;
    channel_->setResponder([&](const std::string& cmd) -> std::optional<std::string> {
        if (cmd != "1RBt") return std::nullopt;
        return ++polls < 50 ? "1" : "0";
    });
    flags_->stopRequested = true;
    EXPECT_TRUE(motor_->WaitForStop());
    EXPECT_TRUE(flags_->stopRequested) << "only a timed wait consumes the request";
}

TEST_F(MotorWaitTest, FaultAfterStopRaisesEightUnlessIgnored) {
    channel_->answer("1RBt", "0");
    channel_->answer("1RBp", "1");
    try {
        motor_->WaitForStop(5);
        FAIL();
    } catch (const NumberedError& e) {
        EXPECT_EQ(e.number(), 8);
        EXPECT_EQ(e.source(), "QDX");
        EXPECT_EQ(e.description(), "Error encountered while waiting for stop");
    }
    EXPECT_TRUE(motor_->WaitForStop(5, true));
}

TEST_F(MotorWaitTest, ChannelFailureWhilePollingReachesTheCaller) {
    channel_->answer("1RBt", "1");
    channel_->failOnce("1RBt", std::make_exception_ptr(NumberedError(77, "line down")));
    EXPECT_THROW(motor_->WaitForStop(5), NumberedError);
}

TEST_F(MotorWaitTest, WaitForStartPollsUntilMoving) {
    int polls = 0;
    channel_->setResponder([&](const std::string& cmd) -> std::optional<std::string> {
        if (cmd != "1RBt") return std::nullopt;
        return ++polls < 4 ? "0" : "1";
    });
    motor_->waitForStart();
    EXPECT_EQ(polls, 4);
}

}  // namespace
}  // namespace vek::test
