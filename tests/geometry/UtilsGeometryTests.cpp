#include <gtest/gtest.h>

#include "GeometryTestSupport.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/NumberedError.h"
#include "vek/geometry/Utils.h"

namespace vek::test {
namespace {

using UtilsGeometry = GeometryTest;

TEST_F(UtilsGeometry, AnglesUseTheNudgeAndWriteItBack) {
    double one = 1.0, minusOne = -1.0, half = 0.5, minusHalf = -0.5, zero = 0.0;
    EXPECT_EQ(Utils::acos(one), 0.0);
    EXPECT_EQ(Utils::acos(minusOne), 3.14159265358979);
    EXPECT_NEAR(Utils::acos(half), std::acos(0.49999999), 1e-13);
    EXPECT_EQ(half, 0.49999999);
    EXPECT_NEAR(Utils::asin(minusHalf), std::asin(-0.49999999), 1e-13);
    EXPECT_EQ(minusHalf, -0.49999999);
    Utils::acos(zero);
    EXPECT_EQ(zero, 1e-8);  // zero counts as "not positive"
    double tooBig = 1.5;
    try {
        Utils::acos(tooBig);
        FAIL();
    } catch (const NumberedError& e) {
        EXPECT_EQ(e.number(), 5);
    }
    EXPECT_EQ(Utils::atan(-1, 4), std::atan(-1.0) + 6.28318530717958);
    EXPECT_EQ(Utils::atan(1, 3), std::atan(1.0) + 3.14159265358979);
    EXPECT_DOUBLE_EQ(Utils::radToDegree(3.14159265358979), 180.0);
}

TEST_F(UtilsGeometry, SlopeQuadrantAndAreas) {
    auto a = makeNode(5, 0), up = makeNode(5, 100), down = makeNode(5, -100);
    EXPECT_EQ(Utils::slopeOfLine(*a, *up, 1, 1), 1e8);
    EXPECT_EQ(Utils::slopeOfLine(*a, *down, 1, 1), 1e8);
    EXPECT_DOUBLE_EQ(Utils::slopeOfLine(*makeNode(0, 0), *makeNode(4, 2), 1, 3), 1.5);
    EXPECT_EQ(Utils::whichQuadrant(*a, *a), 3);
    EXPECT_EQ(Utils::whichQuadrant(*a, *up), 2);
    EXPECT_EQ(Utils::whichQuadrant(*a, *makeNode(6, 0)), 4);
    EXPECT_EQ(Utils::whichQuadrant(*a, *makeNode(6, 1)), 1);
    EXPECT_EQ(Utils::vectorTriangleAreaTwoDimension(*makeNode(0, 0), *makeNode(10, 0), *makeNode(0, 10)), 50);
    EXPECT_EQ(Utils::vectorTriangleAreaTwoDimension(*makeNode(0, 0), *makeNode(0, 10), *makeNode(10, 0)), -50);
    EXPECT_EQ(Utils::scalarTriangleAreaThreeDimension(*makeNode(0, 0), *makeNode(0, 10), *makeNode(10, 0), 1, 1, 1),
              50);
}

TEST_F(UtilsGeometry, ArithmeticFaultsRaiseDivisionByZero) {
    try {
        Utils::slopeOfLine(*makeNode(0, 0), *makeNode(4, 2), 0, 1);
        FAIL();
    } catch (const NumberedError& e) {
        EXPECT_EQ(e.number(), PlatformErrors::DIVISION_BY_ZERO);
        EXPECT_EQ(e.description(), "Division by zero");
    }
    EXPECT_THROW(Utils::getCenterOfThreePointCircle(*makeNode(0, 0), *makeNode(5, 5), *makeNode(10, 10)),
                 NumberedError);
    // Equal Y for the first two points also divides by zero.
    EXPECT_THROW(Utils::getCenterOfThreePointCircle(*makeNode(-10, 0), *makeNode(10, 0), *makeNode(0, 10)),
                 NumberedError);
    auto c = Utils::getCenterOfThreePointCircle(*makeNode(0, -10), *makeNode(10, 0, 7), *makeNode(0, 10));
    EXPECT_EQ(c->axis(1), 0);
    EXPECT_EQ(c->axis(2), 0);
    EXPECT_EQ(c->axis(3), 7);
}

TEST_F(UtilsGeometry, DistanceIgnoresAxesAboveThreeAndInterpolationCoversAllEight) {
    auto a = makeNode(0, 0), b = makeNode(0, 0);
    b->setAxis(4, 500);
    EXPECT_EQ(Utils::distanceBetweenNodes(*a, *b, 1, 1, 1), 0.0);
    a->setName("A");
    auto same = Utils::getNodeOnPath(*a, *b, 3);
    EXPECT_TRUE(logged("From and To points are identical. Can't find a point on the path of zero length"));
    EXPECT_TRUE(same->equals(*a));
    EXPECT_EQ(same->name(), "A");

    Machine stretched = activeMachine();
    stretched.setPitchRatio(2, 2.0);
    setActiveMachine(stretched);
    EXPECT_DOUBLE_EQ(Utils::distanceBetweenNodes(*makeNode(0, 0), *makeNode(3, 2), 1, 2, 1), 5.0);
    auto to = makeNode(30, 20);
    to->setAxis(4, 11);
    auto mid = Utils::getNodeOnPath(*makeNode(0, 0), *to, 25);  // total 50
    EXPECT_EQ(mid->axis(1), 15);
    EXPECT_EQ(mid->axis(2), 10);
    EXPECT_EQ(mid->axis(4), 6);                                               // 5.5 rounds half to even
    EXPECT_EQ(Utils::getNodeOnPath(*makeNode(0, 0), *to, 100)->axis(1), 60);  // extrapolates
    EXPECT_THROW(activeMachine().pitchRatio(9), NumberedError);
}

TEST_F(UtilsGeometry, MatricesAndVectors) {
    auto id = Utils::getIdentityMatrix(4);
    ASSERT_EQ(id.size(), 5u);
    EXPECT_EQ(Utils::multiplyMatrices(id, id), id);
    auto t1 = Utils::getIdentityMatrix(4), t2 = Utils::getIdentityMatrix(4);
    t1[4][1] = 1, t1[4][2] = 2, t1[4][3] = 3;
    t2[4][1] = 4, t2[4][2] = 5, t2[4][3] = 6;
    auto r = Utils::multiplyMatrices(t1, t2);
    EXPECT_EQ(r[4][1], 5);
    EXPECT_EQ(r[4][2], 7);
    EXPECT_EQ(r[4][3], 9);
    EXPECT_EQ(r[0][0], 0);
    auto v = Utils::vectorFromTwoNodes(*makeNode(1, 1, 1), *makeNode(2, 3, 4), 1, 2, 3);
    ASSERT_EQ(v.size(), 9u);
    EXPECT_EQ(v[1], 1);
    EXPECT_EQ(v[2], 4);
    EXPECT_EQ(v[3], 9);
    Utils::Vector x{0, 1, 0, 0}, y{0, 0, 1, 0};
    EXPECT_EQ(Utils::vectorCrossProduct(x, y), (Utils::Vector{0, 0, 0, 1}));
    EXPECT_EQ(Utils::vectorDotProduct(x, y), 0);
    EXPECT_EQ(Utils::getIdentityVector(3), (Utils::Vector{0, 1, 1, 1}));
    Utils::matrixToString(t1);
    EXPECT_TRUE(logged("Row=4 -> 1 , 2 , 3 , 1 , "));
    EXPECT_THROW(Utils::vectorLength(Utils::Vector{0, 1}), NumberedError);
}

}  // namespace
}  // namespace vek::test

#include "vek/geometry/FastRound.h"

namespace vek::test {
namespace {

TEST(FastRound, MatchesTheLibraryRoundingEverywhere) {
    for (double v : {0.5, 1.5, 2.5, -0.5, -1.5, -2.5, 0.49999999999999994, 1e9 + 0.5, -1e9 - 0.5, 2147483647.4,
                     -2147483648.4, 12345.678, -0.0})
        EXPECT_EQ(roundToInt32(v), toInt32(v)) << v;
    for (double v : {2147483647.6, -2147483648.6, std::nan("")}) {
        try {
            roundToInt32(v);
            FAIL() << v;
        } catch (const NumberedError& e) {
            EXPECT_EQ(e.number(), 6);
        }
    }
}

}  // namespace
}  // namespace vek::test
