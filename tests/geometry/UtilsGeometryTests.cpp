#include <gtest/gtest.h>

#include "GeometryTestSupport.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/geometry/FastRound.h"
#include "vek/geometry/Utils.h"

namespace vek::test {
namespace {

using UtilsGeometry = GeometryTest;

// Ratios of exactly 0, 0.5 or -0.5 are nudged by 1e-8 towards 0.5 and
// written back; zero counts as "not positive". Out of range raises 5.
TEST_F(UtilsGeometry, AnglesUseTheNudgeAndWriteItBack) {
    double one = 1.0, minusOne = -1.0, half = 0.5, minusHalf = -0.5, zero = 0.0, tooBig = 1.5;
    EXPECT_EQ(Utils::acos(one), 0.0);
    EXPECT_EQ(Utils::acos(minusOne), 3.14159265358979);
    EXPECT_NEAR(Utils::acos(half), std::acos(0.49999999), 1e-13);
    EXPECT_NEAR(Utils::asin(minusHalf), std::asin(-0.49999999), 1e-13);
    Utils::acos(zero);
    EXPECT_EQ(std::make_tuple(half, minusHalf, zero), std::make_tuple(0.49999999, -0.49999999, 1e-8));
    EXPECT_TRUE(raisesNumbered(5, [&] { Utils::acos(tooBig); }));
    EXPECT_EQ(Utils::atan(-1, 4), std::atan(-1.0) + 6.28318530717958);
    EXPECT_EQ(Utils::atan(1, 3), std::atan(1.0) + 3.14159265358979);
    EXPECT_DOUBLE_EQ(Utils::radToDegree(3.14159265358979), 180.0);
}

// Vertical lines have the slope 1e8 either way; a node on the center is in
// quadrant 3; areas are signed by the turn.
TEST_F(UtilsGeometry, SlopeQuadrantAndAreas) {
    auto a = makeNode(5, 0), up = makeNode(5, 100), down = makeNode(5, -100);
    EXPECT_EQ(Utils::slopeOfLine(*a, *up, 1, 1), 1e8);
    EXPECT_EQ(Utils::slopeOfLine(*a, *down, 1, 1), 1e8);
    EXPECT_DOUBLE_EQ(Utils::slopeOfLine(*makeNode(0, 0), *makeNode(4, 2), 1, 3), 1.5);
    EXPECT_EQ(each({a, up, makeNode(6, 0), makeNode(6, 1)}, [&](auto& n) { return Utils::whichQuadrant(*a, *n); }),
              "3|2|4|1");
    auto o = makeNode(0, 0), x = makeNode(10, 0), y = makeNode(0, 10);
    EXPECT_EQ(Utils::vectorTriangleAreaTwoDimension(*o, *x, *y), 50);
    EXPECT_EQ(Utils::vectorTriangleAreaTwoDimension(*o, *y, *x), -50);
    EXPECT_EQ(Utils::scalarTriangleAreaThreeDimension(*o, *y, *x, 1, 1, 1), 50);
}

// Collinear points, or equal Y for the first two, divide by zero.
TEST_F(UtilsGeometry, ArithmeticFaultsRaiseDivisionByZero) {
    EXPECT_TRUE(raisesNumbered(
        PlatformErrors::DIVISION_BY_ZERO, [&] { Utils::slopeOfLine(*makeNode(0, 0), *makeNode(4, 2), 0, 1); },
        "Division by zero"));
    for (auto [first, second, third] : {std::tuple{makeNode(0, 0), makeNode(5, 5), makeNode(10, 10)},
                                        {makeNode(-10, 0), makeNode(10, 0), makeNode(0, 10)}})
        EXPECT_TRUE(raisesNumbered(PlatformErrors::DIVISION_BY_ZERO,
                                   [&] { Utils::getCenterOfThreePointCircle(*first, *second, *third); }));
    auto c = Utils::getCenterOfThreePointCircle(*makeNode(0, -10), *makeNode(10, 0, 7), *makeNode(0, 10));
    EXPECT_EQ(axes(*c), (std::vector<int32_t>{0, 0, 7}));
}

// Distances take axes 1..3 with the pitch ratios of the machine;
// interpolation covers all eight axes, rounds halves to even and extrapolates.
TEST_F(UtilsGeometry, DistanceIgnoresAxesAboveThreeAndInterpolationCoversAllEight) {
    auto a = makeNode(0, 0, 0, "A"), b = makeNode(0, 0);
    b->setAxis(4, 500);
    EXPECT_EQ(Utils::distanceBetweenNodes(*a, *b, 1, 1, 1), 0.0);
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
    EXPECT_EQ(axes(*Utils::getNodeOnPath(*makeNode(0, 0), *to, 25), 4), (std::vector<int32_t>{15, 10, 0, 6}));
    EXPECT_EQ(Utils::getNodeOnPath(*makeNode(0, 0), *to, 100)->axis(1), 60);
    EXPECT_TRUE(raisesNumbered(9, [&] { activeMachine().pitchRatio(9); }));
}

TEST_F(UtilsGeometry, MatricesAndVectors) {
    auto id = Utils::getIdentityMatrix(4);
    ASSERT_EQ(id.size(), 5u);
    EXPECT_EQ(Utils::multiplyMatrices(id, id), id);
    auto t1 = Utils::getIdentityMatrix(4), t2 = Utils::getIdentityMatrix(4);
    t1[4][1] = 1, t1[4][2] = 2, t1[4][3] = 3;
    t2[4][1] = 4, t2[4][2] = 5, t2[4][3] = 6;
    auto r = Utils::multiplyMatrices(t1, t2);
    EXPECT_EQ((std::vector<double>{r[4][1], r[4][2], r[4][3], r[0][0]}), (std::vector<double>{5, 7, 9, 0}));
    auto v = Utils::vectorFromTwoNodes(*makeNode(1, 1, 1), *makeNode(2, 3, 4), 1, 2, 3);
    ASSERT_EQ(v.size(), 9u);
    EXPECT_EQ((std::vector<double>{v[1], v[2], v[3]}), (std::vector<double>{1, 4, 9}));
    Utils::Vector x{0, 1, 0, 0}, y{0, 0, 1, 0};
    EXPECT_EQ(Utils::vectorCrossProduct(x, y), (Utils::Vector{0, 0, 0, 1}));
    EXPECT_EQ(Utils::vectorDotProduct(x, y), 0);
    EXPECT_EQ(Utils::getIdentityVector(3), (Utils::Vector{0, 1, 1, 1}));
    Utils::matrixToString(t1);
    EXPECT_TRUE(logged("Row=4 -> 1 , 2 , 3 , 1 , "));
    EXPECT_TRUE(raisesNumbered(9, [&] { Utils::vectorLength(Utils::Vector{0, 1}); }));
}

TEST(FastRound, MatchesTheLibraryRoundingEverywhere) {
    for (double v : {0.5, 1.5, 2.5, -0.5, -1.5, -2.5, 0.49999999999999994, 1e9 + 0.5, -1e9 - 0.5, 2147483647.4,
                     -2147483648.4, 12345.678, -0.0})
        EXPECT_EQ(roundToInt32(v), toInt32(v)) << v;
    for (double v : {2147483647.6, -2147483648.6, std::nan("")})
        EXPECT_TRUE(raisesNumbered(6, [&] { roundToInt32(v); })) << v;
}

}  // namespace
}  // namespace vek::test
