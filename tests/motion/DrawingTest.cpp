// Lines and paths drawn on the simulated chain through the façade, in
// virtual time: thresholds, the move to a path's start, the trigger event,
// pause, stop, limit switches and refused paths.
#include <gtest/gtest.h>

#include <algorithm>

#include "SlidesTestFixture.h"
#include "vek/foundation/MotionSound.h"
#include "vek/motion/IMotion.h"

namespace vek::test {
namespace {

class Drawing : public SlidesTest {
protected:
    // Three homed axes standing at 0.
    void SetUp() override {
        SlidesTest::SetUp();
        connect(3);
        ASSERT_TRUE(runtime().calibration->homeMotor(0, -1, true));
        ASSERT_EQ(positions(), "0 0 0");
        clearMessages();
    }
    int32_t baudRate() { return slides().getCommunication()->baudRate(); }
};

// A line within 20 counts of where the axes stand is not drawn, nor a path
// of one node; a path without a start is refused and the chain is left at
// 9600.
TEST_F(Drawing, NothingIsDrawnWithinTwentyCountsOrWithoutAStart) {
    slides().drawLine(at(20, -20, 20));
    slides().drawPath(polyline({at(5000, 0, 0)}));
    auto free = polyline({at(5000, 0, 0), at(6000, 0, 0)}, "free", PathConstants::INDEPENDENT_PATH);
    slides().getCommunication()->setBaudRate(38400);
    EXPECT_TRUE(raisesNumbered(
        ErrorCodes::INVALID_ARGUMENTS, [&] { slides().drawPath(free); },
        "Path free of type 0 has no start point to draw from."));
    EXPECT_EQ(baudRate(), 9600);
    EXPECT_TRUE(loggedAll(messages(), {"Attempt to draw line with both end points being same!",
                                       "Diff for axis 3 is = 20", "Can't run path with nodes < 2"}));
    EXPECT_FALSE(logged("Runpath done"));
    EXPECT_EQ(positions(), "0 0 0");
    slides().drawLine(at(0, 21, 0));
    EXPECT_EQ(countLogged(messages(), "Attempt to draw line with both end points being same!"), 1);
    EXPECT_TRUE(logged("Runpath done"));
    EXPECT_EQ(positions(), "0 21 0");
}

// A line waits one trajectory step per point with the sound looping (unless
// muted), and leaves the chain at 9600 with every axis still.
TEST_F(Drawing, LineTakesItsTrajectoryTimeAndEndsAt9600) {
    slides().setIsSimulationMute(false);
    bool sounded = false;
    eventLoop().setHostPump([&] { sounded = sounded || isMotionSoundPlaying(); });
    const double before = eventLoop().now();
    slides().drawLine(at(20000, 10000, 4000), nullptr, 5.0, 0.01, true);
    const auto& path = *slides().getPath();
    EXPECT_GE(eventLoop().now() - before, path.size() * path.TIMEDELTASECONDS() - 1e-9);
    EXPECT_EQ(positions(), "20000 10000 4000");
    EXPECT_FALSE(slides().AllMotors()->isMoving());
    EXPECT_EQ(baudRate(), 9600);
    EXPECT_TRUE(sounded);
    EXPECT_FALSE(isMotionSoundPlaying());
    EXPECT_TRUE(loggedAllStartingWith(messages(), {"drawLine : toNode = ", ":::::Time taken to loop runPath = "}));
    EXPECT_TRUE(logged("Hostmode ended"));
    slides().setIsSimulationMute(true);
    sounded = false;
    slides().drawLine(at(0, 0, 0));
    EXPECT_FALSE(sounded);
}

// A path away from the current point first moves to its start: the first
// node of a polyline (its corners rounded here), the start of an arc.
TEST_F(Drawing, PathsFirstMoveToTheirStart) {
    auto square =
        polyline({at(8000, 8000, 4000), at(24000, 8000, 4000), at(24000, 24000, 4000), at(8000, 24000, 4000)});
    slides().drawPath(square, 5.0, 0.01, true, 2000.0);
    EXPECT_EQ(positions(), "8000 24000 4000");
    EXPECT_EQ(slides().getPath()->name(), "square");
    slides().drawPath(polyline({at(8000, 24000, 4000), at(8000, 8000, 4000)}, "back"));
    EXPECT_EQ(positions(), "8000 8000 4000");
    // Two turns of 2000 counts' pitch around (20000, 20000) end 4000 higher.
    auto helix =
        polyline({at(20000, 20000, 4000, "center"), at(30000, 20000, 4000, "start"), at(30000, 20000, 4000, "end"),
                  at(20000, 30000, 4000, "direction"), at(2000, 0, 0, "pitch"), at(2, 0, 0, "rotations")},
                 "helix", PathConstants::ARC_PATH);
    int32_t maxY = 0;
    eventLoop().setHostPump([&] { maxY = std::max(maxY, motor(2).position()); });
    slides().drawPath(helix);
    EXPECT_NEAR(motor(1).position(), 30000, 1);
    EXPECT_NEAR(motor(2).position(), 20000, 1);
    EXPECT_EQ(motor(3).position(), 8000);
    EXPECT_NEAR(maxY, 30000, 50);
    // Square and helix with their approaches; "back" starts where it is.
    EXPECT_EQ(countLogged(messages(), "Not at the starting point, moving there..."), 2);
    EXPECT_EQ(countLogged(messages(), "Runpath done"), 5);
}

// The motion event comes once, with the path's name, at the point the
// percentage names (halves round to even); 0 % raises none.
TEST_F(Drawing, MotionEventComesAtTheRequestedPoint) {
    EXPECT_EQ(each({25.0, 35.0, 50.0, 100.0, 0.0}, [](double p) { return IMotion::triggerIndex(p, 10); }),
              "2|4|5|10|0");
    std::string seen;
    slides().getMotion()->motionEvent.connect(
        [&](std::string& name) { seen += name + "@" + std::to_string(motor(1).position()) + " "; });
    for (const double percent : {25.0, 50.0, 100.0, 0.0}) {
        const std::string name = "p" + std::to_string(static_cast<int>(percent));
        const int32_t from = motor(1).position();
        seen.clear();
        slides().drawPath(polyline({at(from, 0, 0), at(30000 - from, 0, 0)}, name), 5.0, 0.01, true, 0.0, percent);
        const auto& path = *slides().getPath();
        const int32_t k = IMotion::triggerIndex(percent, path.size());
        EXPECT_EQ(seen, k == 0 ? "" : name + "@" + std::to_string(path.nodes()->item(k)->axis(1)) + " ");
        EXPECT_EQ(loggedStartingWith(messages(), "Raising event from motion class for " + std::to_string(k) + "/" +
                                                     std::to_string(path.size()) + " at -> "),
                  k > 0)
            << percent;
    }
}

// A pause in the middle of a run holds every axis where it is until resumed
// (pausing twice pauses once); a pause before a run holds its start.
TEST_F(Drawing, PauseHoldsTheAxesUntilResumed) {
    double start = eventLoop().now();
    slides().drawLine(at(40000, 0, 0));
    const double unpaused = eventLoop().now() - start;
    int32_t held = -1, atResume = -2;
    after(unpaused / 3, [&] {
        slides().PauseMotion(true);
        slides().PauseMotion(true);
        held = motor(1).position();
        after(2.0, [&] {
            atResume = motor(1).position();
            slides().PauseMotion(false);
        });
    });
    start = eventLoop().now();
    slides().drawLine(at(0, 0, 0));
    EXPECT_TRUE(held > 0 && held < 40000) << held;
    EXPECT_EQ(atResume, held);
    EXPECT_GE(eventLoop().now() - start, unpaused + 2.0);
    EXPECT_EQ(std::make_pair(countLogged(messages(), "Pausing..."), countLogged(messages(), "Resuming...")),
              std::make_pair(1, 1));
    EXPECT_EQ(positions(), "0 0 0");
    slides().PauseMotion(true);
    start = eventLoop().now();
    after(1.0, [&] { slides().PauseMotion(false); });
    slides().drawLine(at(0, 0, 100));
    EXPECT_GE(eventLoop().now() - start, 1.0);
    EXPECT_EQ(positions(), "0 0 100");
}

// Whatever ends a run early, it raises 8 with the cause, stops the sound and
// returns the chain to 9600; the next run starts afresh. Homed with offset
// 0, the switches sit 3900 counts below 0 and beyond the stroke.
TEST_F(Drawing, InterruptedRunsRaiseEightAndLeaveTheChainReady) {
    slides().setIsSimulationMute(false);
    const auto interrupted = [&](const std::function<void()>& run) {
        const NumberedError e = raised(run);
        eventLoop().setHostPump(nullptr);
        return std::to_string(e.number()) + " " + e.description() + (isMotionSoundPlaying() ? ", sound" : "") + ", " +
               std::to_string(baudRate());
    };
    after(0.5, [&] { slides().stopMotors(true); });
    EXPECT_EQ(interrupted([&] {
                  slides().drawPath(polyline({at(0, 0, 0), at(60000, 0, 0)}));
              }),
              "8 RunPath Error->Motion stopped, 9600");
    EXPECT_FALSE(slides().flags()->stopRequested);
    EXPECT_TRUE(motor(1).position() > 0 && motor(1).position() < 60000) << motor(1).position();
    EXPECT_EQ(interrupted([&] { slides().drawLine(at(-10000, 0, 0)); }),
              "8 RunPath Error->Negative limit switch reached, 9600");
    EXPECT_EQ(positions(), "-3900 0 0");
    EXPECT_EQ(interrupted([&] { slides().drawLine(at(2000, 85000, 0)); }),
              "8 RunPath Error->Positive limit switch reached, 9600");
    EXPECT_EQ(motor(2).position(), 83900);
    // A handler closing the connection mid-run ends the run, which says so.
    after(0.3, [&] { slides().closeConnection(9600); });
    EXPECT_EQ(interrupted([&] { slides().drawLine(at(30000, 0, 0)); }),
              "8 RunPath Error->Motor[MotorX]->The connection to the motors is closed., 9600");
    EXPECT_EQ(slides().motors()->count(), 0u);
    slides().openConnection(9600, "SIM");
    ASSERT_TRUE(runtime().calibration->homeMotor(0, -1, true));
    slides().drawLine(at(500, 500, 500));
    EXPECT_EQ(positions(), "500 500 500");
}

// Dravos stream nothing: trailing ones stand still, one in front of a
// SmartMotor refuses the coordinated run.
TEST_F(Drawing, DravosStayOutOfTheStream) {
    const auto reconnect = [&](int axis) {
        execute("UPDATE Motor SET slideKey = 4 WHERE motorKey = ?", {axis});  // a JP65 slide
        runtime().configuration->reload();
        slides().openConnection(9600, "SIM");
    };
    reconnect(3);
    ASSERT_TRUE(runtime().calibration->homeMotor(0, -1, true));
    EXPECT_EQ(slides().getGZPresent(), 1);
    const int32_t z = motor(3).position();
    slides().drawLine(at(1000, 2000, z + 3000));
    EXPECT_EQ(positions(), "1000 2000 " + std::to_string(z));
    reconnect(1);
    const auto before = positions();
    slides().drawLine(at(motor(1).position() + 1000, motor(2).position() + 1000, 0));
    EXPECT_TRUE(logged("For coordinated motion all Dravos must be connected at the end of the daisy chain."));
    EXPECT_TRUE(logged("Runpath done"));
    EXPECT_EQ(positions(), before);
}

}  // namespace
}  // namespace vek::test
