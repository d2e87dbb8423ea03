// Lines and paths drawn on the simulated chain through the façade, in
// virtual time: thresholds, the move to a path's start, the trigger event,
// pause, stop, limit switches and refused paths.
#include <gtest/gtest.h>

#include <cmath>

#include "SlidesTestFixture.h"
#include "vek/comm/ICommunication.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/MotionSound.h"
#include "vek/motion/IMotion.h"
#include "vek/motors/Calibration.h"
#include "vek/persistence/Configuration.h"

namespace vek::test {
namespace {

class Drawing : public SlidesTest {
protected:
    // Three homed axes standing at 0.
    void SetUp() override {
        SlidesTest::SetUp();
        connect(3);
        ASSERT_TRUE(runtime().calibration->homeMotor(0, -1, true));
        ASSERT_EQ(positions(), (std::vector<int32_t>{0, 0, 0}));
        clearMessages();
    }
    int32_t baudRate() { return slides().getCommunication()->baudRate(); }
};

TEST_F(Drawing, LineWithinTwentyCountsIsNotDrawn) {
    slides().drawLine(at(20, -20, 20));
    EXPECT_TRUE(logged("Attempt to draw line with both end points being same!"));
    EXPECT_TRUE(logged("Diff for axis 3 is = 20"));
    EXPECT_FALSE(logged("Runpath done"));
    EXPECT_EQ(positions(), (std::vector<int32_t>{0, 0, 0}));

    clearMessages();
    slides().drawLine(at(0, 21, 0));
    EXPECT_FALSE(logged("Attempt to draw line with both end points being same!"));
    EXPECT_TRUE(logged("Runpath done"));
    EXPECT_EQ(positions(), (std::vector<int32_t>{0, 21, 0}));
}

TEST_F(Drawing, LineTakesItsTrajectoryTimeAndEndsAt9600) {
    const double before = eventLoop().now();
    slides().drawLine(at(20000, 10000, 4000), nullptr, 5.0, 0.01, true);
    EXPECT_EQ(positions(), (std::vector<int32_t>{20000, 10000, 4000}));
    const auto& path = *slides().getPath();
    // One trajectory step of waiting per point.
    EXPECT_GE(eventLoop().now() - before, path.size() * path.TIMEDELTASECONDS() - 1e-9);
    EXPECT_EQ(baudRate(), 9600);
    EXPECT_TRUE(loggedStartingWith("drawLine : toNode = "));
    EXPECT_TRUE(loggedStartingWith(":::::Time taken to loop runPath = "));
    EXPECT_TRUE(logged("Hostmode ended"));
    for (auto& m : *slides().motors()) EXPECT_FALSE(m->isMoving());
}

TEST_F(Drawing, PathFirstMovesToItsStart) {
    auto square =
        polyline({at(8000, 8000, 4000), at(24000, 8000, 4000), at(24000, 24000, 4000), at(8000, 24000, 4000)});
    slides().drawPath(square, 5.0, 0.01, true, 2000.0);
    EXPECT_TRUE(logged("Not at the starting point, moving there..."));
    EXPECT_EQ(positions(), (std::vector<int32_t>{8000, 24000, 4000}));
    EXPECT_EQ(slides().getPath()->name(), "square");
    EXPECT_EQ(countLogged("Runpath done"), 2);

    // Already at the start: no approach.
    clearMessages();
    auto back = polyline({at(8000, 24000, 4000), at(8000, 8000, 4000)}, "back");
    slides().drawPath(back);
    EXPECT_FALSE(logged("Not at the starting point, moving there..."));
    EXPECT_EQ(countLogged("Runpath done"), 1);
    EXPECT_EQ(positions(), (std::vector<int32_t>{8000, 8000, 4000}));
}

TEST_F(Drawing, HelicalArcEndsAboveItsStart) {
    auto helix = std::make_shared<NodePath>();
    helix->setName("helix");
    helix->setPathType(PathConstants::ARC_PATH);
    helix->addNode(at(20000, 20000, 4000, "center"));
    helix->addNode(at(30000, 20000, 4000, "start"));
    helix->addNode(at(30000, 20000, 4000, "end"));
    helix->addNode(at(20000, 30000, 4000, "direction"));
    helix->addNode(at(2000, 0, 0, "pitch"));
    helix->addNode(at(2, 0, 0, "rotations"));
    int32_t maxY = 0;
    eventLoop().setHostPump([&] { maxY = std::max(maxY, motor(2).position()); });
    slides().drawPath(helix);
    const auto p = positions();
    EXPECT_NEAR(p[0], 30000, 1);
    EXPECT_NEAR(p[1], 20000, 1);
    EXPECT_EQ(p[2], 8000);
    EXPECT_NEAR(maxY, 30000, 50);
}

TEST_F(Drawing, ShortPathsAndPathsWithoutStartAreRefused) {
    slides().drawPath(polyline({at(5000, 0, 0)}));
    EXPECT_TRUE(logged("Can't run path with nodes < 2"));
    EXPECT_EQ(positions(), (std::vector<int32_t>{0, 0, 0}));

    auto independent = polyline({at(5000, 0, 0), at(6000, 0, 0)});
    independent->setPathType(PathConstants::INDEPENDENT_PATH);
    slides().getCommunication()->setBaudRate(38400);
    const auto e = raised([&] { slides().drawPath(independent); });
    EXPECT_EQ(e.number(), ErrorCodes::INVALID_ARGUMENTS);
    EXPECT_EQ(baudRate(), 9600);
    slides().drawLine(at(1000, 0, 0));
    EXPECT_EQ(positions(), (std::vector<int32_t>{1000, 0, 0}));
}

TEST_F(Drawing, MotionEventComesAfterTheRequestedPoint) {
    struct Case {
        double percent;
        int32_t target;
    };
    // 25 % of a path may land on a half: halves round to even.
    for (const Case c : {Case{25, 30000}, Case{50, 0}, Case{100, 30000}, Case{0, 0}}) {
        int events = 0;
        int32_t atEvent = 0;
        std::string name;
        auto handle = slides().getMotion()->motionEvent.connect([&](std::string& n) {
            ++events;
            atEvent = motor(1).position();
            name = n;
        });
        slides().drawPath(
            polyline({at(motor(1).position(), 0, 0), at(c.target, 0, 0)}, "p" + std::to_string(int(c.percent))), 5.0,
            0.01, true, 0.0, c.percent);
        handle.disconnect();
        const auto& path = *slides().getPath();
        const int32_t k = static_cast<int32_t>(std::nearbyint(c.percent / 100.0 * path.size()));
        if (c.percent == 0) {
            EXPECT_EQ(events, 0);
            continue;
        }
        EXPECT_EQ(events, 1) << c.percent;
        EXPECT_EQ(name, "p" + std::to_string(int(c.percent)));
        EXPECT_EQ(atEvent, path.nodes()->item(k)->axis(1)) << c.percent;
        EXPECT_TRUE(loggedStartingWith("Raising event from motion class for " + std::to_string(k) + "/" +
                                       std::to_string(path.size()) + " at -> "));
    }
}

TEST_F(Drawing, PauseHoldsTheAxesUntilResumed) {
    const double t0 = eventLoop().now();
    slides().drawLine(at(40000, 0, 0));
    const double unpaused = eventLoop().now() - t0;

    double start = eventLoop().now(), pausedAt = -1;
    int32_t held = 0;
    bool movedWhilePaused = false, resumed = false;
    eventLoop().setHostPump([&] {
        const double now = eventLoop().now();
        if (pausedAt < 0 && now - start > unpaused / 3) {
            slides().PauseMotion(true);
            slides().PauseMotion(true);
            pausedAt = now;
            held = motor(1).position();
        } else if (pausedAt >= 0 && !resumed) {
            if (motor(1).position() != held) movedWhilePaused = true;
            if (now - pausedAt > 2.0) {
                slides().PauseMotion(false);
                resumed = true;
            }
        }
    });
    slides().drawLine(at(0, 0, 0));
    eventLoop().setHostPump(nullptr);
    ASSERT_TRUE(resumed);
    EXPECT_FALSE(movedWhilePaused);
    EXPECT_GT(held, 0);
    EXPECT_LT(held, 40000);
    EXPECT_GE(eventLoop().now() - start, unpaused + 2.0);
    EXPECT_EQ(countLogged("Pausing..."), 1);
    EXPECT_EQ(countLogged("Resuming..."), 1);
    EXPECT_EQ(positions(), (std::vector<int32_t>{0, 0, 0}));
}

TEST_F(Drawing, PathWaitsForAPauseToEndBeforeStreaming) {
    slides().PauseMotion(true);
    const double start = eventLoop().now();
    eventLoop().setHostPump([&] {
        if (eventLoop().now() - start > 1.0) slides().PauseMotion(false);
    });
    slides().drawLine(at(0, 0, 100));
    EXPECT_GE(eventLoop().now() - start, 1.0);
    EXPECT_EQ(positions(), (std::vector<int32_t>{0, 0, 100}));
}

TEST_F(Drawing, StopInTheMiddleEndsThePathAndTheFacadeStaysUsable) {
    const double start = eventLoop().now();
    eventLoop().setHostPump([&] {
        if (eventLoop().now() - start > 0.5 && !slides().flags()->stopRequested) slides().stopMotors(true);
    });
    const auto e = raised([&] { slides().drawPath(polyline({at(0, 0, 0), at(60000, 0, 0)})); });
    eventLoop().setHostPump(nullptr);
    EXPECT_EQ(e.number(), ErrorCodes::MOTION_INTERRUPTED);
    EXPECT_EQ(e.description(), "RunPath Error->Motion stopped");
    EXPECT_EQ(baudRate(), 9600);
    EXPECT_FALSE(slides().flags()->stopRequested);
    const int32_t stoppedAt = motor(1).position();
    EXPECT_GT(stoppedAt, 0);
    EXPECT_LT(stoppedAt, 60000);

    slides().drawLine(at(1000, 1000, 1000));
    EXPECT_EQ(positions(), (std::vector<int32_t>{1000, 1000, 1000}));
}

TEST_F(Drawing, ClosingTheConnectionFromAHandlerMidPathIsSafe) {
    const double start = eventLoop().now();
    bool closed = false;
    eventLoop().setHostPump([&] {
        if (!closed && eventLoop().now() - start > 0.3) {
            closed = true;
            slides().closeConnection(9600);
        }
    });
    // The run cannot go on without its connection, and says so.
    const auto e = raised([&] { slides().drawLine(at(30000, 0, 0)); });
    eventLoop().setHostPump(nullptr);
    ASSERT_TRUE(closed);
    EXPECT_EQ(e.number(), ErrorCodes::MOTION_INTERRUPTED);
    EXPECT_EQ(e.description(), "RunPath Error->Motor[MotorX]->The connection to the motors is closed.");
    EXPECT_EQ(slides().motors()->count(), 0u);
    slides().openConnection(9600, "SIM");
    ASSERT_TRUE(runtime().calibration->homeMotor(0, -1, true));
    slides().drawLine(at(500, 500, 500));
    EXPECT_EQ(positions(), (std::vector<int32_t>{500, 500, 500}));
}

TEST_F(Drawing, LimitSwitchInterruptsAndTheNextLineWorks) {
    // Homed with offset 0: the negative switch sits 3900 counts below 0,
    // the positive one 3900 counts beyond the stroke.
    const auto e = raised([&] { slides().drawLine(at(-10000, 0, 0)); });
    EXPECT_EQ(e.number(), ErrorCodes::MOTION_INTERRUPTED);
    EXPECT_EQ(e.description(), "RunPath Error->Negative limit switch reached");
    EXPECT_EQ(baudRate(), 9600);
    EXPECT_EQ(motor(1).position(), -3900);
    EXPECT_FALSE(isMotionSoundPlaying());

    slides().drawLine(at(2000, 2000, 0));
    EXPECT_EQ(positions(), (std::vector<int32_t>{2000, 2000, 0}));

    const auto e2 = raised([&] { slides().drawLine(at(2000, kStrokeCounts + 5000, 0)); });
    EXPECT_EQ(e2.number(), ErrorCodes::MOTION_INTERRUPTED);
    EXPECT_EQ(e2.description(), "RunPath Error->Positive limit switch reached");
    EXPECT_EQ(motor(2).position(), kStrokeCounts + 3900);
    EXPECT_EQ(baudRate(), 9600);

    slides().drawLine(at(3000, 3000, 0));
    EXPECT_EQ(positions(), (std::vector<int32_t>{3000, 3000, 0}));
}

TEST_F(Drawing, SoundLoopsOnlyWhileStreamingAndNotWhenMuted) {
    slides().setIsSimulationMute(false);
    bool playedDuringRun = false;
    eventLoop().setHostPump([&] { playedDuringRun = playedDuringRun || isMotionSoundPlaying(); });
    slides().drawLine(at(3000, 0, 0));
    EXPECT_TRUE(playedDuringRun);
    EXPECT_FALSE(isMotionSoundPlaying());

    slides().setIsSimulationMute(true);
    playedDuringRun = false;
    slides().drawLine(at(0, 0, 0));
    EXPECT_FALSE(playedDuringRun);
}

TEST(TriggerIndex, PercentOfThePointsRoundsHalvesToEven) {
    EXPECT_EQ(IMotion::triggerIndex(25, 10), 2);
    EXPECT_EQ(IMotion::triggerIndex(35, 10), 4);
    EXPECT_EQ(IMotion::triggerIndex(50, 10), 5);
    EXPECT_EQ(IMotion::triggerIndex(100, 10), 10);
    EXPECT_EQ(IMotion::triggerIndex(0, 10), 0);
}

class DravoChain : public SlidesTest {};

TEST_F(DravoChain, DravoInFrontOfASmartMotorRefusesThePath) {
    load(2);
    DbConnection db;
    db.open(install_->file("data/vek.db"));
    db.execute("UPDATE Motor SET slideKey = 4 WHERE motorKey = 1");  // a JP65 slide
    runtime().configuration->reload();
    slides().openConnection(9600, "SIM");
    const auto before = positions();
    slides().drawLine(at(before[0] + 1000, before[1] + 1000, 0));
    EXPECT_TRUE(logged("For coordinated motion all Dravos must be connected at the end of the daisy chain."));
    EXPECT_TRUE(logged("Runpath done"));
    EXPECT_EQ(positions(), before);
}

TEST_F(DravoChain, TrailingDravoIsNotStreamed) {
    load(3);
    DbConnection db;
    db.open(install_->file("data/vek.db"));
    db.execute("UPDATE Motor SET slideKey = 4 WHERE motorKey = 3");
    runtime().configuration->reload();
    slides().openConnection(9600, "SIM");
    ASSERT_TRUE(runtime().calibration->homeMotor(0, -1, true));
    EXPECT_EQ(slides().getGZPresent(), 1);
    const int32_t z = motor(3).position();
    slides().drawLine(at(1000, 2000, z + 3000));
    EXPECT_EQ(motor(1).position(), 1000);
    EXPECT_EQ(motor(2).position(), 2000);
    EXPECT_EQ(motor(3).position(), z);
}

}  // namespace
}  // namespace vek::test
