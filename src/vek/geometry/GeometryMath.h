#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "vek/geometry/Machine.h"
#include "vek/geometry/Node.h"

namespace vek {

// The matrix, vector and node geometry that paths, corners, arcs and
// coordinate transformations rest on: 4 x 4 affine matrices in row-vector
// form, vectors, and the plane and space geometry of path lengths, corners
// and arcs.
//
// Matrices and vectors keep index 0 unused (rows and columns 1..n carry the
// values). Node functions read the values of one coordinate system's slot,
// the active one unless another is handed in, except
// getCenterOfThreePointCircle, which reads world values; axis differences
// are 32-bit differences (overflow raises 6). Lengths use axes 1..3 scaled
// by their pitch ratios.
class GeometryMath {
public:
    using Matrix = std::vector<std::vector<double>>;
    using Vector = std::vector<double>;

    // The decimal value of pi that vek's geometry has always used; results
    // that hosts compare against depend on exactly this value.
    static constexpr double PI = 3.14159265358979;
    // Stands for zero in geometric comparisons and nudges.
    static constexpr double GEOMETRY_ZERO = 1e-8;

    static Matrix getIdentityMatrix(int16_t dimension);
    // Product of two affine 0..4 matrices: m2 acts after m1.
    static Matrix multiplyMatrices(const Matrix& m1, const Matrix& m2);
    static Vector getIdentityVector(int16_t dimension);
    // Pitch-scaled difference node2 - node1 of axes 1..3, as a 0..8 vector.
    static Vector vectorFromTwoNodes(const Node& node1, const Node& node2, double xPitchRatio, double yPitchRatio,
                                     double zPitchRatio, int slot = Node::currentSlot());
    static Vector vectorCrossProduct(const Vector& a, const Vector& b);
    static double vectorDotProduct(const Vector& a, const Vector& b);
    static double vectorLength(const Vector& a);
    // Logs each row at level 6 ("Row=1 -> 1 , 0 , 0 , 0 , ") for developers.
    static void matrixToString(const Matrix& matrix);

    static double distanceBetweenNodes(const Node& fromNode, const Node& toNode, double xPitchRatio, double yPitchRatio,
                                       double zPitchRatio, int slot = Node::currentSlot());
    // The point `atDistance` along fromNode -> toNode (all eight axes
    // interpolated, not clamped) with the machine's pitch ratios; a copy of
    // fromNode when the two coincide.
    static std::shared_ptr<Node> getNodeOnPath(const Node& fromNode, const Node& toNode, double atDistance,
                                               const Machine& machine = activeMachine());
    // The two above on bare axis values (8 of them, axes 1..8), for loops
    // that keep points without nodes: the pitch-scaled distance of axes 1..3,
    // and the values `atDistance` along a segment of length `total` (> 0).
    static double distanceBetweenAxes(const int32_t* from, const int32_t* to, double xPitchRatio, double yPitchRatio,
                                      double zPitchRatio);
    static void interpolateAxes(const int32_t* from, const int32_t* to, double total, double atDistance, int32_t* out);
    // Center of the XY circle through three nodes (world values); collinear
    // points raise 11 (division by zero).
    static std::shared_ptr<Node> getCenterOfThreePointCircle(const Node& p1, const Node& p2, const Node& p3,
                                                             const Machine& machine = activeMachine());
    // dy/dx pitch-scaled; a vertical line gives 1e8 whatever its direction.
    static double slopeOfLine(const Node& fromNode, const Node& toNode, double xPitchRatio, double yPitchRatio,
                              int slot = Node::currentSlot());

    // Angles in radians. Except at exactly +-1, ratio is nudged 1e-8 towards
    // zero first and the nudged value is written back to the caller.
    static double acos(double& ratio);
    static double asin(double& ratio);
    // Arctangent moved into the quadrant (1..4) the direction lies in: [0, 2pi).
    static double atan(double slope, int16_t quadrant);
    static double radToDegree(double radians) { return radians * (180 / PI); }
    static double degreeToRadian(double degrees) { return degrees * (PI / 180); }
    // Quadrant of tmpNode about center: 1 upper right, 2 upper left, 3 lower
    // left (and the center itself), 4 lower right.
    static int16_t whichQuadrant(const Node& center, const Node& tmpNode, int slot = Node::currentSlot());
    // Signed XY area in motor units, positive counter-clockwise.
    static double vectorTriangleAreaTwoDimension(const Node& node1, const Node& node2, const Node& node3,
                                                 int slot = Node::currentSlot());
    static double scalarTriangleAreaThreeDimension(const Node& node1, const Node& node2, const Node& node3,
                                                   double xPitchRatio, double yPitchRatio, double zPitchRatio,
                                                   int slot = Node::currentSlot());
};

}  // namespace vek
