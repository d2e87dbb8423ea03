#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "GeometryTestSupport.h"
#include "vek/foundation/NumberedError.h"
#include "vek/geometry/PathCache.h"
#include "vek/geometry/PathEngine.h"
#include "vek/geometry/TrajectoryGenerator.h"
#include "vek/geometry/Utils.h"

namespace vek::test {
namespace {

std::shared_ptr<NodePath> polyline(std::initializer_list<std::pair<int, int>> points, int32_t key = 0) {
    auto path = std::make_shared<NodePath>();
    path->setKey(key);
    int i = 0;
    for (auto [x, y] : points) path->addNode(makeNode(x, y, 0, "V" + std::to_string(++i)));
    return path;
}

// Smallest distance from p to the polyline through `nodes`.
double distanceToPolyline(const Node& p, const NodeCollection& nodes) {
    double best = std::numeric_limits<double>::infinity();
    for (std::size_t i = 2; i <= nodes.count(); ++i) {
        const Node& a = *nodes.item(i - 1);
        const Node& b = *nodes.item(i);
        const double ax = a.axis(1), ay = a.axis(2), bx = b.axis(1), by = b.axis(2);
        const double dx = bx - ax, dy = by - ay, len2 = dx * dx + dy * dy;
        double t = len2 > 0 ? ((p.axis(1) - ax) * dx + (p.axis(2) - ay) * dy) / len2 : 0;
        t = std::clamp(t, 0.0, 1.0);
        best = std::min(best, std::hypot(p.axis(1) - (ax + t * dx), p.axis(2) - (ay + t * dy)));
    }
    return best;
}

using Trajectory = GeometryTest;

TEST_F(Trajectory, StraightTwoNodePathRunsAlongTheLine) {
    auto path = polyline({{0, 0}, {40000, 30000}});
    NodePath working;
    TimeArray time = working.generatePath(path, 5.0, 0.01, true, 0);
    const auto& nodes = *working.nodes();
    ASSERT_GT(nodes.count(), 10u);
    ASSERT_EQ(time.size(), nodes.count() + 1);
    EXPECT_EQ(time[1], 0);
    EXPECT_EQ(time[2], 128);
    EXPECT_TRUE(nodes.item(1)->equals(path->nodes()->item(1)));
    EXPECT_TRUE(nodes.item(nodes.count())->equals(path->nodes()->item(2)));
    for (const auto& n : nodes) EXPECT_NEAR(n->axis(1) * 3.0, n->axis(2) * 4.0, 4.0);
    EXPECT_FALSE(path->dirty());
}

TEST_F(Trajectory, NinetyDegreeCornerIsCutBackByTheRadiusOnBothLegs) {
    auto path = polyline({{0, 0}, {10000, 0}, {10000, 10000}});
    auto rounded =
        TrajectoryGenerator::generateConnectedPath(*path, activeMachine(), MotionSettings{5, 0.01, true, 1000})
            .toNodePath();
    const auto& nodes = *rounded->nodes();
    ASSERT_EQ(nodes.count(), 1u + 50u + 1u);
    // The arc ends at the exit tangent point, 1000 up the second leg.
    EXPECT_NEAR(nodes.item(51)->axis(1), 10000, 1);
    EXPECT_NEAR(nodes.item(51)->axis(2), 1000, 1);
    // The entry tangent point (9000, 0) is where the arc starts: the first
    // chord ends on the circle about (9000, 1000) just past it.
    const Node& first = *nodes.item(2);
    EXPECT_NEAR(std::hypot(first.axis(1) - 9000.0, first.axis(2) - 1000.0), 1000, 1.5);
    EXPECT_GT(first.axis(1), 9000);
    EXPECT_LT(first.axis(1), 9100);
    for (std::size_t i = 2; i <= 51; ++i)
        EXPECT_NEAR(std::hypot(nodes.item(i)->axis(1) - 9000.0, nodes.item(i)->axis(2) - 1000.0), 1000, 1.5);
    EXPECT_TRUE(loggedStartingWith("Center of circle = (9000,1000)"));
}

TEST_F(Trajectory, CornersThatDoNotFitStaySharp) {
    auto square = polyline({{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}, {0, 0}});
    auto out = TrajectoryGenerator::generateConnectedPath(*square, activeMachine(), MotionSettings{5, 0.01, true, 1100})
                   .toNodePath();
    EXPECT_EQ(out->size(), 5);
    for (const char* v : {"V2", "V3", "V4"})
        EXPECT_EQ(countLogged(std::string("Skipping the arc (will not fit) at the vertex ") + v), 1) << v;
    EXPECT_TRUE(logged("lengthFromVertexToTangent is greater than lengthOfFromLine."));

    // After V2 is rounded with 600, only 400 of the next side are left: V3
    // stays sharp, and V4 starts again from V3.
    clearMessages();
    auto partly =
        TrajectoryGenerator::generateConnectedPath(*square, activeMachine(), MotionSettings{5, 0.01, true, 600})
            .toNodePath();
    EXPECT_EQ(partly->size(), 1 + 50 + 1 + 50 + 1);
    EXPECT_EQ(countLogged("Skipping the arc (will not fit) at the vertex V3"), 1);
    EXPECT_EQ(countLogged("Skipping the arc (will not fit) at the vertex V2"), 0);
    EXPECT_TRUE(partly->nodes()->item(52)->equals(square->nodes()->item(3)));

    clearMessages();
    auto zero = TrajectoryGenerator::generateConnectedPath(*square, activeMachine(), MotionSettings{5, 0.01, true, 0})
                    .toNodePath();
    EXPECT_EQ(zero->size(), 5);
    EXPECT_TRUE(logged("CornerRadius is zero. Skipping the arc at the vertex V3"));
    auto negative =
        TrajectoryGenerator::generateConnectedPath(*square, activeMachine(), MotionSettings{5, 0.01, true, -5})
            .toNodePath();
    EXPECT_EQ(negative->size(), 5);
    EXPECT_TRUE(logged("CornerRadius is negative. Skipping the arc at the vertex V3"));
    EXPECT_THROW(TrajectoryGenerator::generateConnectedPath(*square, activeMachine(),
                                                            MotionSettings{5, 0.01, true, std::nan("")}),
                 NumberedError);

    auto straight = polyline({{0, 0}, {500, 0}, {1000, 0}});
    EXPECT_EQ(TrajectoryGenerator::generateConnectedPath(*straight, activeMachine(), MotionSettings{5, 0.01, true, 10})
                  .size(),
              3u);
    EXPECT_TRUE(logged("The vertex is on a straight line. Skipping the arc at the vertex V2"));
}

std::shared_ptr<NodePath> helix(double rotations, int32_t pitch) {
    auto arc = std::make_shared<NodePath>();
    arc->setPathType(PathConstants::ARC_PATH);
    arc->addNode(makeNode(0, 0, 0, "center"));
    arc->addNode(makeNode(1000, 0, 0, "start"));
    arc->addNode(makeNode(1000, 0, 0, "end"));
    arc->addNode(makeNode(0, 1000, 0, "direction"));
    auto p = makeNode(pitch, 0, 0, "pitch");
    auto r = makeNode(static_cast<int32_t>(rotations), 0, 0, "rotations");
    arc->addNode(p);
    arc->addNode(r);
    return arc;
}

TEST_F(Trajectory, TwoTurnsMakeOneHundredChordsWithEvenPitch) {
    runtime().user->setUserRole(UserRoles::OPERATOR);
    auto arc = TrajectoryGenerator::generateArcPath(*helix(2, 500), activeMachine()).toNodePath();
    const auto& nodes = *arc->nodes();
    ASSERT_EQ(nodes.count(), 100u);
    for (std::size_t i = 1; i <= 100; ++i) {
        EXPECT_EQ(nodes.item(i)->axis(3), static_cast<int32_t>(i) * 10) << i;
        EXPECT_NEAR(std::hypot(nodes.item(i)->axis(1), nodes.item(i)->axis(2)), 1000, 1.0);
    }
    // Counter-clockwise (direction above the start), ending each turn on the start.
    EXPECT_GT(nodes.item(1)->axis(2), 0);
    EXPECT_EQ(nodes.item(50)->axis(1), 1000);
    EXPECT_EQ(nodes.item(50)->axis(2), 0);
}

TEST_F(Trajectory, DegenerateArcsContributeNothing) {
    auto flat = helix(1, 0);
    flat->getNodeByName("direction")->setAxis(2, 0);  // on the line through center and start
    EXPECT_EQ(TrajectoryGenerator::generateArcPath(*flat, activeMachine()).size(), 0u);
    EXPECT_TRUE(logged("The plane containing three points can't be defined. Please check the data."));

    auto noRadius = helix(1, 0);
    noRadius->getNodeByName("start")->setAxis(1, 0);
    noRadius->getNodeByName("end")->setAxis(1, 0);
    noRadius->getNodeByName("end")->setAxis(2, 700);
    EXPECT_EQ(TrajectoryGenerator::generateArcPath(*noRadius, activeMachine()).size(), 0u);

    NodePath working;
    EXPECT_TRUE(working.generatePath(flat, 5, 0.01, true, 0).empty());
    EXPECT_TRUE(logged("Invalid data for path generation"));
    EXPECT_EQ(working.nodes(), nullptr);

    auto huge = helix(2000000000, 1);
    EXPECT_THROW(TrajectoryGenerator::generateArcPath(*huge, activeMachine()), NumberedError);
}

TEST_F(Trajectory, EmptyOneNodeAndCoincidentPathsAreRefusedWithTheLogLine) {
    NodePath working;
    for (auto path : {polyline({}), polyline({{5, 5}}), polyline({{5, 5}, {5, 5}, {5, 5}})}) {
        clearMessages();
        EXPECT_TRUE(working.generatePath(path, 5, 0.01, true, 10).empty());
        EXPECT_TRUE(logged("Invalid data for path generation"));
    }
    EXPECT_TRUE(working.generatePath(nullptr).empty());
}

TEST_F(Trajectory, BadSpeedsEndInNumberedErrors) {
    auto path = polyline({{0, 0}, {100000, 0}});
    NodePath working;
    for (double bad : {std::nan(""), std::numeric_limits<double>::infinity()}) {
        try {
            working.generatePath(path, bad, 0.01, true, 0);
            FAIL();
        } catch (const NumberedError& e) {
            EXPECT_EQ(e.number(), 11);
            EXPECT_NE(e.description().find("maximum speed"), std::string::npos);
        }
        EXPECT_THROW(working.generatePath(path, 5, bad, true, 0), NumberedError);
    }
    try {
        working.generatePath(path, 1e-9, 0.01, true, 0);
        FAIL();
    } catch (const NumberedError& e) {
        EXPECT_NE(e.description().find("more than the limit of 4000000"), std::string::npos);
    }
    // No speed: one point only, which streaming refuses with its own message.
    working.generatePath(path, 0, 0.01, true, 0);
    EXPECT_EQ(working.size(), 1);

    auto a = polyline({{0, 0}, {10, 0}}), b = polyline({{10, 0}, {20, 0}});
    a->setNextPath(b);
    b->setNextPath(a);
    EXPECT_THROW(working.generatePath(a), NumberedError);
    b->setNextPath(nullptr);
    working.generatePath(a, 1, 0.1);
    EXPECT_TRUE(working.nodes()->item(working.size())->equals(makeNode(20, 0)));
}

TEST_F(Trajectory, SecondRunWithSameSettingsIsServedFromTheCache) {
    auto path = polyline({{0, 0}, {20000, 0}, {20000, 20000}}, 31);
    NodePath working;
    TimeArray first = working.generatePath(path, 5, 0.01, true, 500);
    auto nodes = working.nodes();
    ASSERT_FALSE(logged("Found PathCache for 31"));
    TimeArray second = working.generatePath(path, 5, 0.01, true, 500);
    EXPECT_TRUE(logged("Found PathCache matches the exact attributes!"));
    EXPECT_EQ(working.nodes(), nodes);
    EXPECT_EQ(second, (TimeArray{0, 0, 128}));
    EXPECT_EQ(std::vector<int32_t>(first.begin(), first.begin() + 3), second);

    working.generatePath(path, 5.0000001, 0.01, true, 500);
    EXPECT_TRUE(logged("Found PathCache doesn't matche the exact attributes!"));
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

    TimeArray tarn = working.generateLinePathTarn(*from, *to, 2, 0.01, true);
    EXPECT_EQ(working.nodes()->item(working.size())->axis(5), 777);
    EXPECT_EQ(working.nodes()->item(working.size())->axis(2), -4000);
    working.generateLinePathTarn(*from, *from->clone(true), 2, 0.01, true);
    EXPECT_EQ(working.size(), 1);
}

// Random polylines with random corner radii: the trajectory starts on the
// first node, ends on the last, stays within the rounding of the corners,
// never goes back, and the forward walk gives exactly the per-step search.
TEST_F(Trajectory, RandomPolylinesProperties) {
    runtime().user->setUserRole(UserRoles::OPERATOR);
    std::mt19937 rng(2024);
    std::uniform_int_distribution<int> coord(-50000, 50000);
    std::uniform_real_distribution<double> radius(0, 4000);
    for (int trial = 0; trial < 25; ++trial) {
        auto path = std::make_shared<NodePath>();
        const int count = 2 + trial % 12;
        for (int i = 0; i < count; ++i) path->addNode(makeNode(coord(rng), coord(rng)));
        const double r = radius(rng);
        double bound = 3.0;
        const auto& corners = *path->nodes();
        for (std::size_t i = 2; i < corners.count(); ++i) {
            const double theta = corners.item(i)->cornerAngle();
            if (theta > 0.05) bound = std::max(bound, r / std::sin(theta / 2) - r + 3.0);
        }
        NodePath working;
        TimeArray time = working.generatePath(path, 20, 0.05, true, r);
        const auto& points = *working.nodes();
        ASSERT_EQ(time.size(), points.count() + 1);
        EXPECT_TRUE(points.item(1)->equals(corners.item(1))) << trial;
        EXPECT_TRUE(points.item(points.count())->equals(corners.item(corners.count()))) << trial;
        double travelled = 0;
        for (std::size_t j = 1; j <= points.count(); ++j) {
            EXPECT_LE(distanceToPolyline(*points.item(j), corners), bound) << trial << " step " << j;
            if (j > 1) {
                EXPECT_EQ(time[j] - time[j - 1], 128);
                travelled += planarDistance(*points.item(j), *points.item(j - 1));
            }
        }
        // Going back along the path would add length the rounded path lacks.
        EXPECT_LE(travelled, path->effectiveLength() + 2.0 * points.count()) << trial;

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
        for (std::size_t j = 1; j <= forward.count(); ++j)
            ASSERT_TRUE(forward.item(j)->equals(searched.item(j))) << trial << " step " << j;
        EXPECT_EQ(t1, t2);
    }
}

TEST_F(Trajectory, UserSystemTrajectoriesFillTheUserValues) {
    runtime().coordinates->setSystem(1);
    auto path = std::make_shared<NodePath>();
    for (auto [x, y] : {std::pair{0, 0}, {0, 8000}}) {
        auto n = std::make_shared<Node>();
        n->setSystemAxis(1, x);
        n->setSystemAxis(2, y);
        path->addNode(n);
    }
    NodePath working;
    working.generatePath(path, 5, 0.01, true, 0);
    const Node& last = *working.nodes()->item(working.size());
    EXPECT_EQ(last.systemAxis(2), 8000);
    EXPECT_EQ(last.axis(2), 0);
}

}  // namespace
}  // namespace vek::test
