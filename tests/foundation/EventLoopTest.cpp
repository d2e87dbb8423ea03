#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <string>
#include <vector>

#include "vek/foundation/Convert.h"
#include "vek/foundation/EventLoop.h"
#include "vek/foundation/Wait.h"

namespace vek {
namespace {

class EventLoopTest : public ::testing::Test {
protected:
    void SetUp() override { eventLoop().setClock(clock_); }
    void TearDown() override {
        for (auto id : timers_) eventLoop().stopTimer(id);
        eventLoop().setClock(nullptr);
    }
    EventLoop::TimerId timer(double interval, std::function<void()> f) {
        timers_.push_back(eventLoop().startTimer(interval, std::move(f)));
        return timers_.back();
    }
    std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>();
    std::vector<EventLoop::TimerId> timers_;
};

// A zero, negative or NaN wait runs posted tasks once and takes no time.
// Timers fire in time order, each at its own time inside the wait; the host
// pump runs with every wake.
TEST_F(EventLoopTest, WaitFiresTimersInTimeOrderAtTheirOwnTimesAndPumpsTheHost) {
    int runs = 0, pumps = 0;
    eventLoop().post([&] { ++runs; });
    for (double none : {0.0, -1.0, std::nan("")}) wait(none);
    EXPECT_EQ(runs, 1);
    EXPECT_DOUBLE_EQ(clock_->now(), 0.0);

    std::string fired;
    eventLoop().setHostPump([&] { ++pumps; });
    timer(0.05, [&] { fired += "b@" + toText(clock_->now()) + " "; });
    timer(0.02, [&] { fired += "a@" + toText(clock_->now()) + " "; });
    wait(0.065);
    eventLoop().setHostPump(nullptr);
    EXPECT_DOUBLE_EQ(clock_->now(), 0.065);
    EXPECT_EQ(fired, "a@0.02 a@0.04 b@0.05 a@0.06 ");
    EXPECT_GE(pumps, 5);
}

// A polling loop that only yields must still see time pass: a quantum at a
// time, or up to the next timer.
TEST_F(EventLoopTest, ProcessPendingEventsMovesManualTimeByOneQuantum) {
    eventLoop().processPendingEvents();
    EXPECT_DOUBLE_EQ(clock_->now(), 0.001);
    int passes = 0;
    while (eventLoop().now() <= 2.0) {
        eventLoop().processPendingEvents();
        ++passes;
    }
    EXPECT_GT(passes, 1000);
    clock_->setPollQuantum(0.5);
    const double start = clock_->now();
    bool fired = false;
    timer(0.2, [&] { fired = true; });
    eventLoop().processPendingEvents();  // stops at the timer, not the quantum
    EXPECT_TRUE(fired);
    EXPECT_NEAR(clock_->now(), start + 0.2, 1e-12);
}

TEST_F(EventLoopTest, ATimerMayStopItselfAndWaitInsideItsHandler) {
    int outer = 0, inner = 0;
    EventLoop::TimerId self = 0;
    timer(0.01, [&] { ++inner; });
    self = timer(0.05, [&] {
        ++outer;
        eventLoop().stopTimer(self);
        wait(0.02);  // nested wait keeps the other timer running
    });
    wait(0.205);
    EXPECT_EQ(outer, 1);
    EXPECT_EQ(inner, 20);
    EXPECT_FALSE(eventLoop().isTimerActive(self));
}

TEST_F(EventLoopTest, ReadableDescriptorsAreServiced) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::string got;
    auto id = eventLoop().watchReadable(fds[0], [&] {
        char buf[16];
        const auto n = read(fds[0], buf, sizeof buf);
        got.append(buf, static_cast<std::size_t>(n > 0 ? n : 0));
    });
    ASSERT_EQ(write(fds[1], "ok", 2), 2);
    eventLoop().processPendingEvents();
    EXPECT_EQ(got, "ok");
    eventLoop().unwatch(id);
    close(fds[0]);
    close(fds[1]);
}

TEST(EventLoopSystemClock, WaitLastsAtLeastItsTime) {
    eventLoop().setClock(nullptr);
    const double start = eventLoop().now();
    int ticks = 0;
    const auto id = eventLoop().startTimer(0.01, [&] { ++ticks; });
    wait(0.05);
    eventLoop().stopTimer(id);
    EXPECT_GE(eventLoop().now() - start, 0.05);
    // A timer due within the wait runs before it returns; how often depends
    // on how busy the machine is.
    EXPECT_GE(ticks, 1);
}

}  // namespace
}  // namespace vek
