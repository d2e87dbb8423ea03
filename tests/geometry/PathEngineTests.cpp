#include <gtest/gtest.h>

#include <cmath>

#include "vek/foundation/NumberedError.h"
#include "vek/geometry/PathEngine.h"

namespace vek {
namespace {

TEST(PathEngine, TrapezoidRampsCruisesAndStopsExactlyAtTheLength) {
    PathEngine engine;
    engine.setAcceleration(0.5);
    engine.setTimeDelta(1);
    // Ramp to 10 takes 20 samples and 100 counts; the same down; 800 cruising.
    ProfileArray p = engine.oneDimensionalProfile(10, 1000);
    ASSERT_EQ(p.rows(), 2);
    ASSERT_EQ(p.steps(), 121);
    EXPECT_EQ(p.at(1, 1), 0);
    EXPECT_DOUBLE_EQ(p.at(1, 11), 25);   // 0.5 * 0.5 * 10^2
    EXPECT_DOUBLE_EQ(p.at(1, 21), 100);  // end of the ramp
    EXPECT_DOUBLE_EQ(p.at(1, 61), 500);  // cruising at 10 per sample
    EXPECT_DOUBLE_EQ(p.at(1, 121), 1000);
    EXPECT_DOUBLE_EQ(p.at(1, 120), 1000 - 0.25);
    EXPECT_EQ(p.time(121), 120);
    for (int32_t j = 2; j <= p.steps(); ++j) EXPECT_GE(p.at(1, j), p.at(1, j - 1));

    // A short move never reaches the maximum speed: a triangle.
    ProfileArray t = engine.oneDimensionalProfile(10, 100);
    EXPECT_EQ(t.steps(), 30);  // peak sqrt(50) after 14.1 samples, 28.3 in all
    EXPECT_DOUBLE_EQ(t.at(1, 11), 25);
    EXPECT_DOUBLE_EQ(t.at(1, 30), 100);

    // Without slowing to the end the move ends on the length at full speed.
    engine.setSlowToEndSpeed(false);
    ProfileArray f = engine.oneDimensionalProfile(10, 1000);
    EXPECT_EQ(f.steps(), 111);
    EXPECT_DOUBLE_EQ(f.at(1, 111), 1000);
}

TEST(PathEngine, StepsFollowTheClockAndTimeDelta) {
    PathEngine engine;
    engine.setStartClock(1000);
    engine.setTimeDelta(128);
    ProfileArray p = engine.oneDimensionalProfile(5, 50000);
    EXPECT_EQ(p.time(1), 1000);
    EXPECT_EQ(p.time(2), 1128);
    EXPECT_EQ(p.time(p.steps()), 1000 + 128.0 * (p.steps() - 1));
}

TEST(PathEngine, MultiAxisRowsEndOnTheTargets) {
    PathEngine engine;
    engine.setStartPoint(1, 100);
    engine.setStartPoint(2, -100);
    ProfileArray p = engine.multiAxisProfile(5, {3100, 3900, 0});
    ASSERT_EQ(p.rows(), 4);
    EXPECT_EQ(p.at(1, 1), 100);
    EXPECT_EQ(p.at(2, 1), -100);
    EXPECT_EQ(p.at(1, p.steps()), 3100);
    EXPECT_EQ(p.at(2, p.steps()), 3900);
    EXPECT_EQ(p.at(3, p.steps()), 0);
    EXPECT_THROW(engine.startPoint(9), NumberedError);
    EXPECT_THROW(p.at(5, 1), NumberedError);
}

TEST(PathEngine, BadSettingsEndInErrorsOrStandStill) {
    PathEngine engine;
    for (double bad : {NAN, INFINITY, -INFINITY}) {
        EXPECT_THROW(engine.oneDimensionalProfile(bad, 100), NumberedError);
        EXPECT_THROW(engine.oneDimensionalProfile(5, bad), NumberedError);
    }
    engine.setAcceleration(NAN);
    try {
        engine.oneDimensionalProfile(5, 100);
        FAIL();
    } catch (const NumberedError& e) {
        EXPECT_EQ(e.number(), 11);
        EXPECT_EQ(e.description(), "Speed profile needs a finite acceleration (got NaN)");
    }
    engine.setAcceleration(-1);
    EXPECT_EQ(engine.oneDimensionalProfile(5, 100).steps(), 1);
    engine.setAcceleration(0.01);
    EXPECT_EQ(engine.oneDimensionalProfile(-5, 100).steps(), 1);
    engine.setTimeDelta(0);
    EXPECT_THROW(engine.oneDimensionalProfile(5, 100), NumberedError);
}

}  // namespace
}  // namespace vek
