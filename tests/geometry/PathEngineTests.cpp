#include <gtest/gtest.h>

#include <cmath>

#include "support/Expect.h"
#include "vek/geometry/PathEngine.h"

namespace vek::test {
namespace {

// Ramp to 10 at 0.5 takes 20 samples and 100 counts; the same down; 800
// cruising. A short move never reaches the maximum speed: a triangle.
// Without slowing to the end the move ends on the length at full speed.
TEST(PathEngine, TrapezoidRampsCruisesAndStopsExactlyAtTheLength) {
    PathEngine engine;
    engine.setAcceleration(0.5);
    engine.setTimeDelta(1);
    ProfileArray p = engine.oneDimensionalProfile(10, 1000);
    ASSERT_EQ(p.rows(), 2);
    ASSERT_EQ(p.steps(), 121);
    // 0.5 * 0.5 * 10^2 after ten samples, cruising at 10 a sample from 21 on.
    for (auto [step, distance] : std::vector<std::pair<int32_t, double>>{
             {1, 0}, {11, 25}, {21, 100}, {61, 500}, {120, 1000 - 0.25}, {121, 1000}})
        EXPECT_DOUBLE_EQ(p.at(1, step), distance) << step;
    EXPECT_EQ(p.time(121), 120);
    for (int32_t j = 2; j <= p.steps(); ++j) EXPECT_GE(p.at(1, j), p.at(1, j - 1));

    ProfileArray t = engine.oneDimensionalProfile(10, 100);
    EXPECT_EQ(t.steps(), 30);  // peak sqrt(50) after 14.1 samples, 28.3 in all
    EXPECT_DOUBLE_EQ(t.at(1, 11), 25);
    EXPECT_DOUBLE_EQ(t.at(1, 30), 100);
    engine.setSlowToEndSpeed(false);
    ProfileArray f = engine.oneDimensionalProfile(10, 1000);
    EXPECT_EQ(f.steps(), 111);
    EXPECT_DOUBLE_EQ(f.at(1, 111), 1000);
}

TEST(PathEngine, StepsFollowTheClockAndMultiAxisRowsEndOnTheTargets) {
    PathEngine engine;
    engine.setStartClock(1000);
    engine.setTimeDelta(128);
    ProfileArray p = engine.oneDimensionalProfile(5, 50000);
    EXPECT_EQ(std::make_pair(p.time(1), p.time(2)), std::make_pair(1000.0, 1128.0));
    EXPECT_EQ(p.time(p.steps()), 1000 + 128.0 * (p.steps() - 1));

    engine.setStartPoint(1, 100);
    engine.setStartPoint(2, -100);
    ProfileArray m = engine.multiAxisProfile(5, {3100, 3900, 0});
    ASSERT_EQ(m.rows(), 4);
    EXPECT_EQ(std::make_pair(m.at(1, 1), m.at(2, 1)), std::make_pair(100.0, -100.0));
    EXPECT_EQ(std::make_tuple(m.at(1, m.steps()), m.at(2, m.steps()), m.at(3, m.steps())),
              std::make_tuple(3100.0, 3900.0, 0.0));
    EXPECT_TRUE(raisesNumbered(9, [&] { engine.startPoint(9); }));
    EXPECT_TRUE(raisesNumbered(9, [&] { m.at(5, 1); }));
}

// NaN and infinite settings raise 11; a negative acceleration or speed
// stands still; no time step raises.
TEST(PathEngine, BadSettingsEndInErrorsOrStandStill) {
    PathEngine engine;
    for (double bad : {NAN, INFINITY, -INFINITY}) {
        EXPECT_TRUE(raisesNumbered(11, [&] { engine.oneDimensionalProfile(bad, 100); })) << bad;
        EXPECT_TRUE(raisesNumbered(11, [&] { engine.oneDimensionalProfile(5, bad); })) << bad;
    }
    engine.setAcceleration(NAN);
    EXPECT_TRUE(raisesNumbered(
        11, [&] { engine.oneDimensionalProfile(5, 100); }, "Speed profile needs a finite acceleration (got NaN)"));
    engine.setAcceleration(-1);
    EXPECT_EQ(engine.oneDimensionalProfile(5, 100).steps(), 1);
    engine.setAcceleration(0.01);
    EXPECT_EQ(engine.oneDimensionalProfile(-5, 100).steps(), 1);
    engine.setTimeDelta(0);
    EXPECT_TRUE(raisesNumbered(
        11, [&] { engine.oneDimensionalProfile(5, 100); }, "Speed profile needs a positive time step (got 0)"));
}

}  // namespace
}  // namespace vek::test
