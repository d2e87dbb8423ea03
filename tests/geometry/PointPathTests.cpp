#include <gtest/gtest.h>

#include "GeometryTestSupport.h"
#include "support/Expect.h"
#include "vek/geometry/Path.h"
#include "vek/geometry/Point.h"
#include "vek/motion/Runtime.h"
#include "vek/motors/Measurement.h"
#include "vek/motors/Units.h"
#include "vek/persistence/Configuration.h"
#include "vek/persistence/Database.h"
#include "vek/persistence/MotorData.h"
#include "vek/persistence/SlideData.h"

namespace vek::test {
namespace {

using PointsAndPaths = GeometryTest;

// A free point rounds halves to even into a new node every time; a point
// made a view of a node is read-only.
TEST_F(PointsAndPaths, FreePointsRoundIntoNodesAndNodeBackedPointsAreReadOnly) {
    auto p = std::make_shared<Point>();
    p->setName("P");
    p->setX(0.5);
    p->setY(1.5);
    p->setZ(-2.5);
    p->setX8(7.4);
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
