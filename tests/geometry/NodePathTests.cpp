#include <gtest/gtest.h>

#include <random>

#include "GeometryTestSupport.h"
#include "vek/geometry/Path.h"
#include "vek/geometry/PathCache.h"
#include "vek/geometry/Point.h"
#include "vek/geometry/Utils.h"
#include "vek/motors/Measurement.h"
#include "vek/motors/Units.h"
#include "vek/persistence/Configuration.h"
#include "vek/persistence/Database.h"
#include "vek/persistence/MotorData.h"
#include "vek/persistence/SlideData.h"

namespace vek::test {
namespace {

using NodeModel = GeometryTest;
const std::string kNoValues = " world(0,0,0,0,0,0,0,0),user(0,0,0,0,0,0,0,0),tmp(0,0,0,0,0,0,0,0)";

// A clone keeps the values of its slot, and unless bare the corner angle,
// length and name; key, order, speed and mode go back to their defaults.
TEST_F(NodeModel, DefaultsCloneEqualsAndText) {
    Node fresh;
    EXPECT_EQ(std::make_tuple(fresh.orderNumber(), fresh.speed(), fresh.acceleration(), fresh.mode(), fresh.key()),
              std::make_tuple(-1, 10, 10, 0, 0));
    EXPECT_EQ(fresh.toString(), kNoValues);

    auto n = makeNode(1, 2, 3, "P1");
    n->setKey(7), n->setOrderNumber(2), n->setSpeed(3), n->setMode(4);
    n->setLengthFromStart(12.5);
    n->setCornerAngle(1.25);
    auto bare = n->clone(true);
    EXPECT_EQ(bare->name(), "");
    EXPECT_TRUE(bare->equals(n));
    EXPECT_EQ(bare->lengthFromStart(), 0.0);
    auto full = n->clone(false);
    EXPECT_EQ(std::make_tuple(full->name(), full->lengthFromStart(), full->cornerAngle()),
              std::make_tuple("P1", 12.5, 1.25));
    EXPECT_EQ(std::make_tuple(full->key(), full->orderNumber(), full->speed(), full->mode()),
              std::make_tuple(0, -1, 10, 0));

    auto other = makeNode(1, 2, 3, "other");
    other->setTmpAxis(1, 99);
    EXPECT_TRUE(other->equals(n));
    other->setAxis(8, 1);
    EXPECT_FALSE(other->equals(n));
    EXPECT_EQ(other->toString(), "other world(1,2,3,0,0,0,0,1),user(0,0,0,0,0,0,0,0),tmp(99,0,0,0,0,0,0,0)");
    for (int16_t bad : {0, 9, -1}) {
        EXPECT_TRUE(raisesNumbered(9, [&] { fresh.setAxis(bad, 5); })) << bad;
        EXPECT_TRUE(raisesNumbered(9, [&] { fresh.axis(bad); })) << bad;
    }
    EXPECT_EQ(fresh.toString(), kNoValues);
}

// User and tmp share a slot; any other system stores nothing and reads 0.
TEST_F(NodeModel, SlotFollowsTheCoordinateSystem) {
    Node n;
    n.setAxis(1, 10), n.setLengthFromStart(4.0);
    auto in = [&](int16_t system) {
        runtime().coordinates->setSystem(system);
        return std::make_pair(n.systemAxis(1), n.lengthFromStart());
    };
    EXPECT_EQ(in(COORDINATE_SYSTEM::USER_SYSTEM), std::make_pair(0, 0.0));
    EXPECT_TRUE(logged("Coordinate system is set to USER"));
    n.setSystemAxis(1, 20), n.setLengthFromStart(8.0);
    EXPECT_EQ(n.axis(1), 10);
    EXPECT_EQ(in(COORDINATE_SYSTEM::TMP_SYSTEM), std::make_pair(20, 8.0));
    EXPECT_EQ(in(COORDINATE_SYSTEM::WORLD_SYSTEM), std::make_pair(10, 4.0));
    in(5);
    n.setSystemAxis(1, 30), n.setLengthFromStart(1.0);
    EXPECT_EQ(in(5), std::make_pair(0, 0.0));
    in(0);
    EXPECT_EQ(n.toString(), " world(10,0,0,0,0,0,0,0),user(20,0,0,0,0,0,0,0),tmp(0,0,0,0,0,0,0,0)");
}

using NodePathModel = GeometryTest;

// Straight on: the classic PI; the ends and zero-length segments: 0. An arc
// keeps its center, start and end by name (with case).
TEST_F(NodePathModel, LengthsCornerAnglesAndArcEnds) {
    NodePath path;
    EXPECT_EQ(std::make_tuple(path.getMinX(), path.getMaxX(), path.getRadius()),
              std::make_tuple(99999999, 0, 999999999999.0));
    for (auto [x, y] : {std::pair{0, 0}, {100, 0}, {200, 0}, {200, 100}, {200, 100}, {300, 100}})
        path.addNode(makeNode(x, y));
    std::vector<double> angles;
    for (const auto& n : *path.nodes()) angles.push_back(n->cornerAngle());
    EXPECT_EQ(angles[1], 3.14159265358979);
    EXPECT_NEAR(angles[2], Utils::PI / 2, 1e-7);
    for (double endOrZeroLength : {angles[0], angles[3], angles[4], angles[5]}) EXPECT_EQ(endOrZeroLength, 0.0);
    EXPECT_EQ(path.effectiveLength(), 400.0);
    EXPECT_EQ(path.nodes()->item(6)->lengthFromStart(), 400.0);
    EXPECT_TRUE(path.dirty());

    NodePath negative;
    negative.addNode(makeNode(-5, -5));
    negative.addNode(makeNode(-50, -1));
    EXPECT_EQ(std::make_tuple(negative.getMaxX(), negative.getMinX(), negative.getMaxY()), std::make_tuple(0, -50, 0));

    NodePath arc;
    arc.setPathType(PathConstants::ARC_PATH);
    EXPECT_EQ(arc.getBeginningNode(), nullptr);
    for (auto [x, y, name] : {std::tuple{0, 0, "center"}, {100, 0, "start"}, {0, 300, "end"}})
        arc.addNode(makeNode(x, y, 0, name));
    EXPECT_EQ(arc.getRadius(), 100.0);
    EXPECT_EQ(arc.getBeginningNode()->name(), "start");
    EXPECT_EQ(std::make_pair(arc.getEndNode()->axis(2), arc.getEndNode(true)->axis(2)), std::make_pair(300, 100));
    EXPECT_EQ(arc.getNodeByName("Start"), nullptr);
}

TEST_F(NodePathModel, KeyedInsertRemoveAndRecalculation) {
    NodePath path;
    for (int k : {1, 2, 3}) {
        auto n = makeNode(k * 100, 0);
        n->setKey(k);
        path.addNode(n, std::to_string(k));
    }
    auto inserted = makeNode(100, 100);
    inserted->setKey(9);
    path.addNode(inserted, "9", "2");
    EXPECT_EQ(path.nodes()->item(2)->key(), 9);
    EXPECT_DOUBLE_EQ(path.effectiveLength(), 100 + std::sqrt(20000.0) + 100);
    Node missing;
    missing.setKey(42);
    EXPECT_TRUE(raisesNumbered(5, [&] { path.removeNode(missing); }));
    EXPECT_TRUE(raisesNumbered(457, [&] { path.addNode(makeNode(0, 0), "1"); }));       // duplicate key
    EXPECT_TRUE(raisesNumbered(5, [&] { path.addNode(makeNode(0, 0), "10", "77"); }));  // missing before key
    EXPECT_EQ(path.size(), 4);
    path.removeNode(*inserted);
    EXPECT_EQ(path.effectiveLength(), 200.0);
    EXPECT_EQ(path.nodes()->item(2)->cornerAngle(), 3.14159265358979);
}

// A clone keeps name, nodes (copied) and the world length; not the key, the
// time delta or the dirty mark.
TEST_F(NodePathModel, TimeDeltaSlotsCloneAndText) {
    NodePath path;
    path.setTIMEDELTA(64);
    EXPECT_EQ(path.TIMEDELTASECONDS(), 0.01572864);
    path.setEffectiveLength(5.0);
    runtime().coordinates->setSystem(1);
    EXPECT_EQ(path.effectiveLength(), 0.0);
    path.setEffectiveLength(7.0);
    runtime().coordinates->setSystem(0);
    EXPECT_EQ(path.effectiveLength(), 5.0);

    path.setName("A"), path.setKey(3);
    path.addNode(makeNode(0, 0, 0, "s"));
    path.addNode(makeNode(3, 4));
    EXPECT_EQ(path.toString(),
              "[nodes=2]\r\ns" + kNoValues +
                  "\r\n world(3,4,0,0,0,0,0,0),user(0,0,0,0,0,0,0,0),tmp(0,0,0,0,0,0,0,0)\r\ndiff1=3\r\ndiff2=4\r\n");
    auto copy = path.clone();
    EXPECT_EQ(std::make_tuple(copy->name(), copy->key(), copy->TIMEDELTA(), copy->dirty(), copy->effectiveLength()),
              std::make_tuple("A", 0, 128, false, 5.0));
    EXPECT_NE(copy->nodes()->item(1), path.nodes()->item(1));

    auto b = std::make_shared<NodePath>(), c = std::make_shared<NodePath>();
    b->setName("B"), c->setName("C");
    b->setNextPath(c);
    c->setNextPath(b);  // a loop is shown once
    EXPECT_EQ(b->toStringAppendedPaths(), "B -> C");
    c->setNextPath(nullptr);
}

using CoordinateSystems = GeometryTest;

// Chained setups multiply, unchained ones replace; an unknown rotation axis
// is the identity.
TEST_F(CoordinateSystems, SetupsChainAndReplace) {
    Coordinates c;
    Node n;
    c.setupTranslation(4, 5, 6);
    c.setupTranslation(1, 2, 3, true);
    c.ApplyTransformationToNode(n, COORDINATE_SYSTEM::TRANSFORM_FROM_WORLD_TO_WORLD);
    EXPECT_EQ(n.toString(), " world(5,7,9,0,0,0,0,0),user(0,0,0,0,0,0,0,0),tmp(0,0,0,0,0,0,0,0)");
    c.setupScale(2, 2, 2);
    Node m;
    m.setAxis(1, 3);
    c.ApplyTransformationToNode(m, COORDINATE_SYSTEM::TRANSFORM_FROM_WORLD_TO_WORLD);
    EXPECT_EQ(axes(m, 2), (std::vector<int32_t>{6, 0}));

    c.setupRotate(Utils::PI / 2, 3);
    c.setSystem(1);
    auto p = makeNode(1000, 0);
    c.ApplyTransformationToNode(*p, COORDINATE_SYSTEM::TRANSFORM_FROM_WORLD_TO_EFFECTIVE);
    EXPECT_EQ(p->toString(), " world(1000,0,0,0,0,0,0,0),user(0,1000,0,0,0,0,0,0),tmp(0,0,0,0,0,0,0,0)");
    c.setupRotate(Utils::PI / 2, 7);
    c.ApplyTransformationToNode(*p, COORDINATE_SYSTEM::TRANSFORM_FROM_EFFECTIVE_TO_TMP);
    EXPECT_EQ(p->tmpAxis(2), 1000);
}

TEST_F(CoordinateSystems, ReverseExchangesValuesOnlyWhenSet) {
    Coordinates c;
    NodePath path;
    for (int i : {1, 2, 3}) path.addNode(makeNode(i, 10 * i));
    auto column = [&](int16_t axis) {
        std::vector<int32_t> values;
        for (const auto& n : *path.nodes()) values.push_back(n->axis(axis));
        return values;
    };
    c.ApplyTransformationToPath(path);
    EXPECT_EQ(column(1), (std::vector<int32_t>{1, 2, 3}));
    c.setupReverse(true, false, false);
    c.ApplyTransformationToPath(path);
    EXPECT_EQ(column(1), (std::vector<int32_t>{3, 2, 1}));
    EXPECT_EQ(column(2), (std::vector<int32_t>{10, 20, 30}));
    c.setupTranslation(0, 0, 0);  // unchained setups clear the flag
    c.ApplyTransformationToPath(path);
    EXPECT_EQ(column(1), (std::vector<int32_t>{3, 2, 1}));
}

// Any plane: its origin lands on 0 and its points on z = 0; the post
// transformation brings them back.
TEST_F(CoordinateSystems, PreAndPostTransformationRoundTrip) {
    runtime().user->setUserRole(UserRoles::OPERATOR);  // keep the log quiet
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coord(-200000, 200000);
    std::uniform_real_distribution<double> comp(-1, 1);
    for (int trial = 0; trial < 200; ++trial) {
        Utils::Vector normal{0, comp(rng), comp(rng), comp(rng)};
        if (trial % 5 == 0) normal[1] = normal[2] = 0;  // plane already flat
        if (trial % 7 == 0) normal[3] = 0;              // vertical plane
        if (Utils::vectorLength(normal) < 1e-3) continue;
        auto origin = makeNode(coord(rng), coord(rng), coord(rng));
        Coordinates c;
        c.setupPreTransformation(*origin, normal);
        auto o = origin->clone(true);
        c.ApplyTransformationToNode(*o, 1);
        EXPECT_EQ(o->axis(1), 0);
        EXPECT_EQ(o->axis(3), 0);
        Utils::Vector u = Utils::vectorCrossProduct(normal, Utils::Vector{0, 0.3, -0.5, 0.8});
        const double len = Utils::vectorLength(u);
        if (len < 1e-3) continue;
        Node inPlane;
        for (int16_t i = 1; i <= 3; ++i) inPlane.setAxis(i, origin->axis(i) + toInt32(u[i] / len * 50000));
        auto moved = inPlane.clone(true);
        c.ApplyTransformationToNode(*moved, 1);
        EXPECT_NEAR(moved->axis(3), 0, 2) << trial;
        c.setupPostTransformation();
        c.ApplyTransformationToNode(*moved, 1);
        for (int16_t i = 1; i <= 3; ++i) EXPECT_NEAR(moved->axis(i), inPlane.axis(i), 2) << trial;
    }
}

// Entries match on every setting exactly, per key and coordinate system;
// marking a path dirty drops its entry.
TEST_F(GeometryTest, TrajectoryCacheServesExactSettingsPerKeyAndSystem) {
    PathCache& cache = *runtime().pathCache;
    auto nodes = std::make_shared<NodeCollection>();
    cache.addCache(0, 5, 0.01, true, 0, nodes);
    EXPECT_EQ(cache.worldCount(), 0u);
    EXPECT_EQ(cache.getCache(0, 5, 0.01, true, 0), nullptr);

    cache.addCache(12, 5.0, 0.01, true, 0, nodes);
    EXPECT_EQ(cache.worldCount(), 1u);
    EXPECT_EQ(cache.getCache(12, 5.0000001, 0.01, true, 0), nullptr);
    EXPECT_EQ(cache.getCache(12, 5.0, 0.01, false, 0), nullptr);
    EXPECT_EQ(cache.getCache(12, 5.0, 0.01, true, 0), nodes);
    EXPECT_EQ(cache.timeArray(), (TimeArray{0, 0, 128})) << "no working path yet";
    cache.setWorkingTimeDelta([] { return int16_t{64}; });
    EXPECT_EQ(cache.timeArray(), (TimeArray{0, 0, 64}));

    runtime().coordinates->setSystem(1);
    EXPECT_EQ(cache.getCache(12, 5.0, 0.01, true, 0), nullptr);
    cache.addCache(12, 5.0, 0.01, true, 0, nodes);
    EXPECT_EQ(cache.userCount(), 1u);
    runtime().coordinates->setSystem(0);
    cache.removeCache(12);
    EXPECT_EQ(std::make_pair(cache.worldCount(), cache.userCount()), std::make_pair(std::size_t{0}, std::size_t{1}));
    cache.addCache(13, 5.0, 0.01, true, 0, nodes);
    cache.removeCache();
    EXPECT_EQ(cache.worldCount() + cache.userCount(), 0u);

    NodePath path;
    path.setKey(5);
    cache.addCache(5, 1, 1, true, 0, nodes);
    path.setDirty(false);
    EXPECT_EQ(cache.worldCount(), 1u);
    path.addNode(makeNode(0, 0));
    EXPECT_EQ(cache.worldCount(), 0u);
}

using PointsAndPaths = GeometryTest;

// A free point rounds halves to even into a new node every time; a point
// made a view of a node is read-only.
TEST_F(PointsAndPaths, FreePointsRoundIntoNodesAndNodeBackedPointsAreReadOnly) {
    auto p = std::make_shared<Point>();
    p->setName("P"), p->setX(0.5), p->setY(1.5), p->setZ(-2.5), p->setX8(7.4);
    auto n = p->getNode();
    EXPECT_EQ(n->toString(), "P world(0,2,-2,0,0,0,0,7),user(0,0,0,0,0,0,0,0),tmp(0,0,0,0,0,0,0,0)");
    EXPECT_NE(p->getNode(), n);

    auto node = makeNode(10, 20, 30, "N1");
    Point view;
    view.setNode(node);
    EXPECT_EQ(view.getNode(), node);
    EXPECT_EQ(view.name(), "N1");
    EXPECT_TRUE(raisesNumbered(
        11, [&] { view.setX(5); }, "Can't modify the point N1 from program."));
    EXPECT_TRUE(raisesNumbered(11, [&] { view.setName("other"); }));
    EXPECT_EQ(node->toString(), "N1 world(10,20,30,0,0,0,0,0),user(0,0,0,0,0,0,0,0),tmp(0,0,0,0,0,0,0,0)");
}

// A line takes only end points; an arc starts with its pitch (0) and
// rotations (1) and takes the named points, but no node-backed one.
TEST_F(PointsAndPaths, AddPointChecksTheRoleOfThePoint) {
    Path path;
    auto p = std::make_shared<Point>();
    path.addPoint(p, "END");
    EXPECT_EQ(path.getNodePath()->size(), 1);
    EXPECT_TRUE(raisesNumbered(
        11, [&] { path.addPoint(p, "start"); }, "For Linear path only valid value is 'end'"));

    Path arc;
    arc.setPathType(PathConstants::ARC_PATH);
    ASSERT_EQ(arc.getNodePath()->size(), 2);
    EXPECT_EQ(arc.getNodePath()->getNodeByName("pitch")->axis(1), 0);
    EXPECT_EQ(arc.getNodePath()->getNodeByName("rotations")->axis(1), 1);
    arc.addPoint(std::make_shared<Point>(), "Center");
    EXPECT_NE(arc.getNodePath()->getNodeByName("Center"), nullptr);
    EXPECT_TRUE(raisesNumbered(
        11, [&] { arc.addPoint(std::make_shared<Point>(), "middle"); },
        "For Arc path only valid values are ('start','center',end','direction')"));
    auto view = std::make_shared<Point>();
    view->setNode(makeNode(1, 1));
    EXPECT_TRUE(raisesNumbered(11, [&] { arc.addPoint(view, "start"); }));
    EXPECT_EQ(arc.getNodePath()->size(), 3);
}

// With a database open, points speak the configured unit (read again on
// every conversion) and nodes counts.
TEST_F(VekTest, PointsConvertThroughTheSlideOfEachAxis) {
    runtime().database = std::make_shared<Database>();
    runtime().database->openDatabase("vek.db");
    runtime().configuration = std::make_shared<Configuration>(runtime().database);
    auto& config = *runtime().configuration;
    ASSERT_EQ(config.unit(), Units::mm);
    auto slide = config.motorsData()->item(1)->SlideData();
    ASSERT_TRUE(slide);
    int16_t mm = Units::mm, smu = Units::smu;
    const double countsPerMm = runtime().measurement->getPosition(mm, smu, 1.0, slide->pitch(), slide->motorType());
    ASSERT_GT(countsPerMm, 1.0);

    Point free;
    free.setX(12.5);
    auto node = free.getNode();
    EXPECT_EQ(node->axis(1), toInt32(12.5 * countsPerMm));
    Point view;
    view.setNode(node);
    EXPECT_NEAR(view.x(), 12.5, 1.0 / countsPerMm);
    config.setUnit(Units::smu);
    EXPECT_EQ(free.getNode()->axis(1), 12);
}

}  // namespace
}  // namespace vek::test
