#include <gtest/gtest.h>

#include "GeometryTestSupport.h"
#include "vek/foundation/NumberedError.h"
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

TEST_F(PointsAndPaths, FreePointsRoundHalvesToEvenIntoNodes) {
    auto p = std::make_shared<Point>();
    p->setName("P");
    p->setX(0.5);
    p->setY(1.5);
    p->setZ(-2.5);
    p->setX8(7.4);
    auto n = p->getNode();
    EXPECT_EQ(n->axis(1), 0);
    EXPECT_EQ(n->axis(2), 2);
    EXPECT_EQ(n->axis(3), -2);
    EXPECT_EQ(n->axis(8), 7);
    EXPECT_EQ(n->name(), "P");
    EXPECT_NE(p->getNode(), n);  // a new node every time
}

TEST_F(PointsAndPaths, NodeBackedPointsAreReadOnlyViews) {
    auto node = makeNode(10, 20, 30, "N1");
    Point p;
    p.setNode(node);
    EXPECT_EQ(p.getNode(), node);
    EXPECT_EQ(p.name(), "N1");
    try {
        p.setX(5);
        FAIL();
    } catch (const NumberedError& e) {
        EXPECT_EQ(e.number(), 11);
        EXPECT_EQ(e.description(), "Can't modify the point N1 from program.");
    }
    EXPECT_THROW(p.setName("other"), NumberedError);
    EXPECT_EQ(node->axis(1), 10);
    EXPECT_EQ(node->name(), "N1");
}

TEST_F(PointsAndPaths, AddPointChecksTheRoleOfThePoint) {
    Path path;
    auto p = std::make_shared<Point>();
    path.addPoint(p, "END");
    EXPECT_EQ(path.getNodePath()->size(), 1);
    try {
        path.addPoint(p, "start");
        FAIL();
    } catch (const NumberedError& e) {
        EXPECT_EQ(e.number(), 11);
        EXPECT_EQ(e.description(), "For Linear path only valid value is 'end'");
    }

    Path arc;
    arc.setPathType(PathConstants::ARC_PATH);
    ASSERT_EQ(arc.getNodePath()->size(), 2);
    EXPECT_EQ(arc.getNodePath()->getNodeByName("pitch")->axis(1), 0);
    EXPECT_EQ(arc.getNodePath()->getNodeByName("rotations")->axis(1), 1);
    arc.addPoint(std::make_shared<Point>(), "Center");
    EXPECT_NE(arc.getNodePath()->getNodeByName("Center"), nullptr);
    try {
        arc.addPoint(std::make_shared<Point>(), "middle");
        FAIL();
    } catch (const NumberedError& e) {
        EXPECT_EQ(e.description(), "For Arc path only valid values are ('start','center',end','direction')");
    }
    auto view = std::make_shared<Point>();
    view->setNode(makeNode(1, 1));
    EXPECT_THROW(arc.addPoint(view, "start"), NumberedError);
    EXPECT_EQ(arc.getNodePath()->size(), 3);
}

}  // namespace
}  // namespace vek::test

namespace vek::test {
namespace {

// With a database open, points speak the configured unit and nodes counts.
class PointUnits : public VekTest {
protected:
    void SetUp() override {
        VekTest::SetUp();
        runtime().database = std::make_shared<Database>();
        runtime().database->openDatabase("vek.db");
        runtime().configuration = std::make_shared<Configuration>(runtime().database);
    }
    void TearDown() override {
        runtime().configuration.reset();
        runtime().database.reset();
        VekTest::TearDown();
    }
};

TEST_F(PointUnits, PointsConvertThroughTheSlideOfEachAxis) {
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

    config.setUnit(Units::smu);  // read again on every conversion
    EXPECT_EQ(free.getNode()->axis(1), 12);
}

}  // namespace
}  // namespace vek::test
