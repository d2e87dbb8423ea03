#include "vek/geometry/GeometryMath.h"

#include <array>
#include <cmath>

#include "vek/foundation/Convert.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NumberedError.h"
#include "vek/geometry/FastRound.h"
#include "vek/geometry/Machine.h"
#include "vek/geometry/Node.h"

namespace vek {

namespace {

// Axis differences are 32-bit differences, as stored positions are.
double axisDifference(int32_t to, int32_t from) {
    const int64_t d = static_cast<int64_t>(to) - static_cast<int64_t>(from);
    if (d < INT32_MIN || d > INT32_MAX) throw NumberedError::platform(PlatformErrors::OVERFLOW_ERROR);
    return static_cast<double>(d);
}

double divide(double numerator, double denominator) {
    if (denominator == 0.0) throw NumberedError::platform(PlatformErrors::DIVISION_BY_ZERO);
    return numerator / denominator;
}

void requireIndex(const GeometryMath::Vector& v, std::size_t index) {
    if (v.size() <= index) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
}

void requireMatrix(const GeometryMath::Matrix& m, std::size_t index) {
    if (m.size() <= index) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
    for (const auto& row : m)
        if (row.size() <= index) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
}

// The 1e-8 nudge towards zero shared by acos and asin; |r| > 1 has no angle
// (the square root of a negative number), which raises 5.
double nudgedRatio(double& ratio) {
    ratio = ratio > 0 ? ratio - GeometryMath::GEOMETRY_ZERO : ratio + GeometryMath::GEOMETRY_ZERO;
    if (!(ratio > -1.0 && ratio < 1.0)) throw NumberedError::platform(PlatformErrors::INVALID_PROCEDURE_CALL);
    return ratio;
}

}  // namespace

GeometryMath::Matrix GeometryMath::getIdentityMatrix(int16_t dimension) {
    const std::size_t n = dimension < 0 ? 0 : static_cast<std::size_t>(dimension);
    Matrix m(n + 1, Vector(n + 1, 0.0));
    for (std::size_t i = 1; i <= n; ++i) m[i][i] = 1.0;
    return m;
}

GeometryMath::Matrix GeometryMath::multiplyMatrices(const Matrix& m1, const Matrix& m2) {
    requireMatrix(m1, 4);
    requireMatrix(m2, 4);
    const std::size_t n = m1.size() - 1;
    Matrix r(n + 1, Vector(n + 1, 0.0));
    for (std::size_t i = 1; i <= 3; ++i)
        for (std::size_t j = 1; j <= 3; ++j) r[i][j] = m1[i][1] * m2[1][j] + m1[i][2] * m2[2][j] + m1[i][3] * m2[3][j];
    for (std::size_t j = 1; j <= 3; ++j)
        r[4][j] = m1[4][1] * m2[1][j] + m1[4][2] * m2[2][j] + m1[4][3] * m2[3][j] + m1[4][4] * m2[4][j];
    r[4][4] = 1.0;
    return r;
}

GeometryMath::Vector GeometryMath::getIdentityVector(int16_t dimension) {
    const std::size_t n = dimension < 0 ? 0 : static_cast<std::size_t>(dimension);
    Vector v(n + 1, 1.0);
    v[0] = 0.0;
    return v;
}

GeometryMath::Vector GeometryMath::vectorFromTwoNodes(const Node& node1, const Node& node2, double xPitchRatio,
                                                      double yPitchRatio, double zPitchRatio, int slot) {
    const double ratio[4] = {0.0, xPitchRatio, yPitchRatio, zPitchRatio};
    Vector v(MAX_MOTORS + 1, 0.0);
    for (int i = 1; i <= 3; ++i)
        v[static_cast<std::size_t>(i)] = axisDifference(node2.slotAxis(slot, i), node1.slotAxis(slot, i)) * ratio[i];
    return v;
}

GeometryMath::Vector GeometryMath::vectorCrossProduct(const Vector& a, const Vector& b) {
    requireIndex(a, 3);
    requireIndex(b, 3);
    Vector r(a.size(), 0.0);
    r[1] = a[2] * b[3] - a[3] * b[2];
    r[2] = a[3] * b[1] - a[1] * b[3];
    r[3] = a[1] * b[2] - a[2] * b[1];
    return r;
}

double GeometryMath::vectorDotProduct(const Vector& a, const Vector& b) {
    requireIndex(a, 3);
    requireIndex(b, 3);
    return a[1] * b[1] + a[2] * b[2] + a[3] * b[3];
}

double GeometryMath::vectorLength(const Vector& a) {
    return std::sqrt(vectorDotProduct(a, a));
}

void GeometryMath::matrixToString(const Matrix& matrix) {
    if (!logs(LogLevel::DEVELOPER)) return;
    const std::size_t n = matrix.empty() ? 0 : matrix.size() - 1;
    for (std::size_t i = 1; i <= n; ++i) {
        std::string text;
        for (std::size_t j = 1; j <= n && j < matrix[i].size(); ++j) text += toText(matrix[i][j]) + " , ";
        logAt(LogLevel::DEVELOPER, "Row=" + std::to_string(i) + " -> " + text);
    }
}

double GeometryMath::distanceBetweenAxes(const int32_t* from, const int32_t* to, double xPitchRatio, double yPitchRatio,
                                         double zPitchRatio) {
    const double dx = axisDifference(to[0], from[0]);
    const double dy = axisDifference(to[1], from[1]);
    const double dz = axisDifference(to[2], from[2]);
    return std::sqrt(dx * dx * xPitchRatio * xPitchRatio + dy * dy * yPitchRatio * yPitchRatio +
                     dz * dz * zPitchRatio * zPitchRatio);
}

void GeometryMath::interpolateAxes(const int32_t* from, const int32_t* to, double total, double atDistance,
                                   int32_t* out) {
    const double fraction = atDistance / total;
    for (int i = 0; i < MAX_MOTORS; ++i) out[i] = roundToInt32(fraction * axisDifference(to[i], from[i]) + from[i]);
}

namespace {
std::array<int32_t, MAX_MOTORS> slotValues(const Node& node, int slot) {
    std::array<int32_t, MAX_MOTORS> values;
    for (int i = 0; i < MAX_MOTORS; ++i) values[static_cast<std::size_t>(i)] = node.slotAxis(slot, i + 1);
    return values;
}
}  // namespace

double GeometryMath::distanceBetweenNodes(const Node& fromNode, const Node& toNode, double xPitchRatio,
                                          double yPitchRatio, double zPitchRatio, int slot) {
    return distanceBetweenAxes(slotValues(fromNode, slot).data(), slotValues(toNode, slot).data(), xPitchRatio,
                               yPitchRatio, zPitchRatio);
}

std::shared_ptr<Node> GeometryMath::getNodeOnPath(const Node& fromNode, const Node& toNode, double atDistance,
                                                  const Machine& machine) {
    const int slot = machine.slot();
    const auto from = slotValues(fromNode, slot), to = slotValues(toNode, slot);
    const auto& r = machine.pitchRatios;
    const double total = distanceBetweenAxes(from.data(), to.data(), r[1], r[2], r[3]);
    if (total >= GEOMETRY_ZERO) {
        std::array<int32_t, MAX_MOTORS> values;
        interpolateAxes(from.data(), to.data(), total, atDistance, values.data());
        auto node = std::make_shared<Node>();
        for (int i = 1; i <= MAX_MOTORS; ++i) node->setSlotAxis(slot, i, values[static_cast<std::size_t>(i - 1)]);
        return node;
    }
    logAt(LogLevel::DEVELOPER, "From and To points are identical. Can't find a point on the path of zero length");
    return fromNode.clone(false);
}

std::shared_ptr<Node> GeometryMath::getCenterOfThreePointCircle(const Node& p1, const Node& p2, const Node& p3,
                                                                const Machine& machine) {
    const double xp = machine.pitchRatios[1];
    const double yp = machine.pitchRatios[2];
    const double x1 = p1.axis(1) * xp, y1 = p1.axis(2) * yp;
    const double x2 = p2.axis(1) * xp, y2 = p2.axis(2) * yp;
    const double x3 = p3.axis(1) * xp, y3 = p3.axis(2) * yp;
    const double mxa = (x1 + x2) / 2, mya = (y1 + y2) / 2, dxa = x2 - x1, dya = y2 - y1;
    const double mxb = (x2 + x3) / 2, myb = (y2 + y3) / 2, dxb = x3 - x2, dyb = y3 - y2;
    const double xc = divide(mxb * (-dya) * dxb + mya * (-dya) * (-dyb) - mxa * dxa * (-dyb) - (-dya) * myb * (-dyb),
                             dxb * (-dya) - dxa * (-dyb));
    auto center = std::make_shared<Node>();
    center->setAxis(1, roundToInt32(divide(xc, xp)));
    const double yc = mya + divide((center->axis(1) * xp - mxa) * dxa, -dya);
    center->setAxis(2, roundToInt32(divide(yc, yp)));
    center->setAxis(3, p2.axis(3));
    return center;
}

double GeometryMath::slopeOfLine(const Node& fromNode, const Node& toNode, double xPitchRatio, double yPitchRatio,
                                 int slot) {
    const double dx = axisDifference(toNode.slotAxis(slot, 1), fromNode.slotAxis(slot, 1));
    if (dx == 0.0) return 1 / GEOMETRY_ZERO;
    const double dy = axisDifference(toNode.slotAxis(slot, 2), fromNode.slotAxis(slot, 2));
    return divide(dy * yPitchRatio, dx * xPitchRatio);
}

double GeometryMath::acos(double& ratio) {
    if (ratio == 1.0) return 0.0;
    if (ratio == -1.0) return PI;
    const double r = nudgedRatio(ratio);
    return PI / 2 - std::atan(r / std::sqrt(1 - r * r));
}

double GeometryMath::asin(double& ratio) {
    if (ratio == 1.0) return PI / 2;
    if (ratio == -1.0) return -PI / 2;
    const double r = nudgedRatio(ratio);
    return std::atan(r / std::sqrt(1 - r * r));
}

double GeometryMath::atan(double slope, int16_t quadrant) {
    const double a = std::atan(slope);
    switch (quadrant) {
        case 2: return a < 0 ? a + PI : a;
        case 3: return a + PI;
        case 4: return a < 0 ? a + 6.28318530717958 : a;
        default: return a;
    }
}

int16_t GeometryMath::whichQuadrant(const Node& center, const Node& tmpNode, int slot) {
    const double dx = axisDifference(tmpNode.slotAxis(slot, 1), center.slotAxis(slot, 1));
    const double dy = axisDifference(tmpNode.slotAxis(slot, 2), center.slotAxis(slot, 2));
    if (dx <= 0) return dy <= 0 ? 3 : 2;
    return dy <= 0 ? 4 : 1;
}

double GeometryMath::vectorTriangleAreaTwoDimension(const Node& node1, const Node& node2, const Node& node3, int slot) {
    const double x13 = axisDifference(node1.slotAxis(slot, 1), node3.slotAxis(slot, 1));
    const double y23 = axisDifference(node2.slotAxis(slot, 2), node3.slotAxis(slot, 2));
    const double x23 = axisDifference(node2.slotAxis(slot, 1), node3.slotAxis(slot, 1));
    const double y13 = axisDifference(node1.slotAxis(slot, 2), node3.slotAxis(slot, 2));
    return 0.5 * (x13 * y23 - x23 * y13);
}

double GeometryMath::scalarTriangleAreaThreeDimension(const Node& node1, const Node& node2, const Node& node3,
                                                      double xPitchRatio, double yPitchRatio, double zPitchRatio,
                                                      int slot) {
    const Vector a = vectorFromTwoNodes(node1, node2, xPitchRatio, yPitchRatio, zPitchRatio, slot);
    const Vector b = vectorFromTwoNodes(node1, node3, xPitchRatio, yPitchRatio, zPitchRatio, slot);
    return 0.5 * vectorLength(vectorCrossProduct(a, b));
}

}  // namespace vek
