#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "GeometryTestSupport.h"
#include "vek/geometry/PathCache.h"
#include "vek/geometry/PathEngine.h"
#include "vek/geometry/TrajectoryGenerator.h"
#include "vek/geometry/Utils.h"

namespace vek::test {
namespace {

// Smallest distance from p to the polyline through `nodes`.
double distanceToPolyline(const Node& p, const NodeCollection& nodes) {
    double best = std::numeric_limits<double>::infinity();
    for (std::size_t i = 2; i <= nodes.count(); ++i) {
        const double ax = nodes.item(i - 1)->axis(1), ay = nodes.item(i - 1)->axis(2);
        const double dx = nodes.item(i)->axis(1) - ax, dy = nodes.item(i)->axis(2) - ay, len2 = dx * dx + dy * dy;
        const double t = len2 > 0 ? std::clamp(((p.axis(1) - ax) * dx + (p.axis(2) - ay) * dy) / len2, 0.0, 1.0) : 0;
        best = std::min(best, std::hypot(p.axis(1) - (ax + t * dx), p.axis(2) - (ay + t * dy)));
    }
    return best;
}

// The path with its corners rounded with `radius` (speed 5, acceleration 0.01).
std::shared_ptr<NodePath> rounded(const NodePath& path, double radius) {
    return TrajectoryGenerator::generateConnectedPath(path, activeMachine(), MotionSettings{5, 0.01, true, radius})
        .toNodePath();
}

// Distance of `n` from (x, y) in the plane.
double distanceFrom(const Node& n, double x, double y) {
    return std::hypot(n.axis(1) - x, n.axis(2) - y);
}

using Trajectory = GeometryTest;

// The arc of a 90 degree corner runs from the entry tangent point (9000, 0)
// to the exit tangent point 1000 up the second leg, on the circle about
// (9000, 1000), in 50 chords.
TEST_F(Trajectory, NinetyDegreeCornerIsCutBackByTheRadiusOnBothLegs) {
    auto corner = rounded(*polyline({{0, 0}, {10000, 0}, {10000, 10000}}), 1000);
    const auto& nodes = *corner->nodes();
    ASSERT_EQ(nodes.count(), 1u + 50u + 1u);
    EXPECT_NEAR(nodes.item(51)->axis(1), 10000, 1);
    EXPECT_NEAR(nodes.item(51)->axis(2), 1000, 1);
    EXPECT_GT(nodes.item(2)->axis(1), 9000);  // the first chord ends just past the entry
    EXPECT_LT(nodes.item(2)->axis(1), 9100);
    for (std::size_t i = 2; i <= 51; ++i) EXPECT_NEAR(distanceFrom(*nodes.item(i), 9000, 1000), 1000, 1.5) << i;
}

TEST_F(Trajectory, CornersThatDoNotFitStaySharp) {
    auto square = polyline({{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}, {0, 0}});
    EXPECT_EQ(rounded(*square, 1100)->size(), 5);
    for (const char* v : {"V2", "V3", "V4"})
        EXPECT_EQ(countLogged(messages(), std::string("Skipping the arc (will not fit) at the vertex ") + v), 1) << v;
    EXPECT_TRUE(logged("lengthFromVertexToTangent is greater than lengthOfFromLine."));

    // After V2 is rounded with 600, only 400 of the next side are left: V3
    // stays sharp, and V4 starts again from V3.
    clearMessages();
    auto partly = rounded(*square, 600);
    EXPECT_EQ(partly->size(), 1 + 50 + 1 + 50 + 1);
    EXPECT_EQ(countLogged(messages(), "Skipping the arc (will not fit) at the vertex V3"), 1);
    EXPECT_EQ(countLogged(messages(), "Skipping the arc (will not fit) at the vertex V2"), 0);
    EXPECT_TRUE(partly->nodes()->item(52)->equals(square->nodes()->item(3)));

    for (auto [radius, why] : {std::pair{0.0, "zero"}, {-5.0, "negative"}}) {
        EXPECT_EQ(rounded(*square, radius)->size(), 5);
        EXPECT_TRUE(logged(std::string("CornerRadius is ") + why + ". Skipping the arc at the vertex V3"));
    }
    EXPECT_TRUE(raisesNumbered(
        11, [&] { rounded(*square, std::nan("")); }, "The corner radius of a path must be a number (got NaN)"));
    EXPECT_EQ(rounded(*polyline({{0, 0}, {500, 0}, {1000, 0}}), 10)->size(), 3);
    EXPECT_TRUE(logged("The vertex is on a straight line. Skipping the arc at the vertex V2"));
}

// An arc about the origin from (1000, 0) back to it, turning towards
// `direction`, rising `pitch` per turn.
std::shared_ptr<NodePath> helix(int32_t rotations, int32_t pitch, int32_t directionY = 1000) {
    auto arc = std::make_shared<NodePath>();
    arc->setPathType(PathConstants::ARC_PATH);
    for (auto [x, y, name] : {std::tuple{0, 0, "center"},
                              {1000, 0, "start"},
                              {1000, 0, "end"},
                              {0, directionY, "direction"},
                              {pitch, 0, "pitch"},
                              {rotations, 0, "rotations"}})
        arc->addNode(makeNode(x, y, 0, name));
    return arc;
}

// Counter-clockwise (direction above the start), 50 chords a turn, ending
// each turn on the start.
TEST_F(Trajectory, TwoTurnsMakeOneHundredChordsWithEvenPitch) {
    runtime().user->setUserRole(UserRoles::OPERATOR);
    auto arc = TrajectoryGenerator::generateArcPath(*helix(2, 500), activeMachine()).toNodePath();
    const auto& nodes = *arc->nodes();
    ASSERT_EQ(nodes.count(), 100u);
    for (std::size_t i = 1; i <= 100; ++i) {
        EXPECT_EQ(nodes.item(i)->axis(3), static_cast<int32_t>(i) * 10) << i;
        EXPECT_NEAR(distanceFrom(*nodes.item(i), 0, 0), 1000, 1.0) << i;
    }
    EXPECT_GT(nodes.item(1)->axis(2), 0);
    EXPECT_EQ(axes(*nodes.item(50), 2), (std::vector<int32_t>{1000, 0}));
}

TEST_F(Trajectory, DegenerateArcsAndPathsContributeNothing) {
    auto flat = helix(1, 0, 0);  // direction on the line through center and start
    EXPECT_EQ(TrajectoryGenerator::generateArcPath(*flat, activeMachine()).size(), 0u);
    EXPECT_TRUE(logged("The plane containing three points can't be defined. Please check the data."));
    auto noRadius = helix(1, 0);
    noRadius->getNodeByName("start")->setAxis(1, 0);
    noRadius->getNodeByName("end")->setAxis(1, 0);
    noRadius->getNodeByName("end")->setAxis(2, 700);
    EXPECT_EQ(TrajectoryGenerator::generateArcPath(*noRadius, activeMachine()).size(), 0u);
    EXPECT_TRUE(raisesNumbered(
        11, [&] { TrajectoryGenerator::generateArcPath(*helix(2000000000, 1), activeMachine()); },
        "An arc of 2000000000 rotations would need 100000000000 chords, more than the limit "
        "of 2000000"));

    // Empty, one-node and coincident paths and flat arcs are refused with the log line.
    NodePath working;
    for (auto path : {flat, polyline({}), polyline({{5, 5}}), polyline({{5, 5}, {5, 5}, {5, 5}})}) {
        clearMessages();
        EXPECT_TRUE(working.generatePath(path, 5, 0.01, true, 10).empty());
        EXPECT_TRUE(logged("Invalid data for path generation"));
        EXPECT_EQ(working.nodes(), nullptr);
    }
    EXPECT_TRUE(working.generatePath(nullptr).empty());
}

TEST_F(Trajectory, BadSpeedsAndLoopedChainsEndInNumberedErrors) {
    auto path = polyline({{0, 0}, {100000, 0}});
    NodePath working;
    for (auto [bad, text] : {std::pair{std::nan(""), "NaN"}, {std::numeric_limits<double>::infinity(), "Infinity"}}) {
        EXPECT_TRUE(raisesNumbered(
            11, [&] { working.generatePath(path, bad, 0.01, true, 0); },
            std::string("Speed profile needs a finite maximum speed (got ") + text + ")"));
        EXPECT_TRUE(raisesNumbered(11, [&] { working.generatePath(path, 5, bad, true, 0); }));
    }
    const NumberedError tooSlow = raised([&] { working.generatePath(path, 1e-9, 0.01, true, 0); });
    EXPECT_NE(tooSlow.description().find("more than the limit of 4000000"), std::string::npos) << tooSlow.what();
    // No speed: one point only, which streaming refuses with its own message.
    working.generatePath(path, 0, 0.01, true, 0);
    EXPECT_EQ(working.size(), 1);

    auto a = polyline({{0, 0}, {10, 0}}), b = polyline({{10, 0}, {20, 0}});
    a->setNextPath(b);
    b->setNextPath(a);
    EXPECT_TRUE(raisesNumbered(
        11, [&] { working.generatePath(a); },
        "The chain of paths comes back to the path ''; a path can appear only once in a chain"));
    b->setNextPath(nullptr);
    working.generatePath(a, 1, 0.1);
    EXPECT_TRUE(working.nodes()->item(working.size())->equals(makeNode(20, 0)));
}

TEST_F(Trajectory, SecondRunWithSameSettingsIsServedFromTheCache) {
    auto path = polyline({{0, 0}, {20000, 0}, {20000, 20000}}, 31);
    NodePath working;
    TimeArray first = working.generatePath(path, 5, 0.01, true, 500);
    auto nodes = working.nodes();
    TimeArray second = working.generatePath(path, 5, 0.01, true, 500);
    EXPECT_EQ(working.nodes(), nodes);
    EXPECT_EQ(second, (TimeArray{0, 0, 128}));
    EXPECT_EQ(std::vector<int32_t>(first.begin(), first.begin() + 3), second);
    working.generatePath(path, 5.0000001, 0.01, true, 500);
    EXPECT_NE(working.nodes(), nodes);
}

TEST_F(Trajectory, LinePathsMoveEveryAxisToTheTarget) {
    auto from = makeNode(0, 0, 0), to = makeNode(3000, -4000, 1200);
    to->setAxis(5, 777);
    NodePath working;
    TimeArray time = working.generateLinePath(*from, *to, 2, 0.01, true);
    ASSERT_GT(working.size(), 2);
    EXPECT_TRUE(working.nodes()->item(1)->equals(from));
    EXPECT_TRUE(working.nodes()->item(working.size())->equals(to));
    EXPECT_EQ(time[2] - time[1], 128);
    working.generateLinePathTarn(*from, *to, 2, 0.01, true);
    EXPECT_EQ(axes(*working.nodes()->item(working.size()), 5), (std::vector<int32_t>{3000, -4000, 1200, 0, 777}));
    working.generateLinePathTarn(*from, *from->clone(true), 2, 0.01, true);
    EXPECT_EQ(working.size(), 1);
}

// Random polylines (the first a single straight line) with random corner
// radii: the trajectory starts on the first node at time 0, ends on the
// last, stays within the rounding of the corners, never goes back, and the
// forward walk gives exactly the per-step search.
TEST_F(Trajectory, RandomPolylinesProperties) {
    runtime().user->setUserRole(UserRoles::OPERATOR);
    std::mt19937 rng(2024);
    std::uniform_int_distribution<int> coord(-50000, 50000);
    std::uniform_real_distribution<double> radius(0, 4000);
    for (int trial = 0; trial < 25; ++trial) {
        SCOPED_TRACE(trial);
        auto path = std::make_shared<NodePath>();
        for (int i = 0; i < 2 + trial % 12; ++i) path->addNode(makeNode(coord(rng), coord(rng)));
        const double r = radius(rng);
        const auto& corners = *path->nodes();
        double bound = corners.count() == 2 ? 0.8 : 3.0;  // a straight line: within rounding
        for (std::size_t i = 2; i < corners.count(); ++i) {
            const double theta = corners.item(i)->cornerAngle();
            if (theta > 0.05) bound = std::max(bound, r / std::sin(theta / 2) - r + 3.0);
        }
        NodePath working;
        TimeArray time = working.generatePath(path, 20, 0.05, true, r);
        const auto& points = *working.nodes();
        ASSERT_EQ(time.size(), points.count() + 1);
        EXPECT_EQ(time[1], 0);
        EXPECT_FALSE(path->dirty());
        EXPECT_TRUE(points.item(1)->equals(corners.item(1)));
        EXPECT_TRUE(points.item(points.count())->equals(corners.item(corners.count())));
        double travelled = 0;
        for (std::size_t j = 1; j <= points.count(); ++j) {
            EXPECT_LE(distanceToPolyline(*points.item(j), corners), bound) << "step " << j;
            if (j == 1) continue;
            EXPECT_EQ(time[j] - time[j - 1], 128);
            travelled += distanceFrom(*points.item(j), points.item(j - 1)->axis(1), points.item(j - 1)->axis(2));
        }
        // Going back along the path would add length the rounded path lacks.
        EXPECT_LE(travelled, path->effectiveLength() + 2.0 * points.count());

        // The same refined path sampled both ways.
        const RefinedPath refined =
            TrajectoryGenerator::generateConnectedPath(*path, activeMachine(), MotionSettings{20, 0.05, true, r});
        PathEngine engine;
        engine.setAcceleration(0.05);
        const ProfileArray profile = engine.oneDimensionalProfile(20, refined.length());
        NodeCollection forward, searched;
        TimeArray t1, t2;
        TrajectoryGenerator::sampleAlongPath(refined, profile, forward, t1, false);
        TrajectoryGenerator::sampleAlongPath(refined, profile, searched, t2, true);
        ASSERT_EQ(forward.count(), searched.count());
        for (std::size_t j = 1; j <= forward.count(); ++j) ASSERT_TRUE(forward.item(j)->equals(searched.item(j))) << j;
        EXPECT_EQ(t1, t2);
    }
}

TEST_F(Trajectory, UserSystemTrajectoriesFillTheUserValues) {
    runtime().coordinates->setSystem(1);
    auto path = std::make_shared<NodePath>();
    for (int32_t y : {0, 8000}) {
        auto n = std::make_shared<Node>();
        n->setSystemAxis(2, y);
        path->addNode(n);
    }
    NodePath working;
    working.generatePath(path, 5, 0.01, true, 0);
    const Node& last = *working.nodes()->item(working.size());
    EXPECT_EQ(std::make_pair(last.systemAxis(2), last.axis(2)), std::make_pair(8000, 0));
}

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
