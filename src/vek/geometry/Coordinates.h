#pragma once
#include <cstdint>
#include <memory>

#include "vek/geometry/GeometryMath.h"

namespace vek {

class Node;
class NodePath;

namespace COORDINATE_SYSTEM {
enum Value : int32_t {
    WORLD_SYSTEM = 0,
    USER_SYSTEM = 1,
    // Shares the user slot: tmp values are only reached through the
    // transformation directions below, never through the current system.
    TMP_SYSTEM = 1,
    TRANSFORM_FROM_WORLD_TO_EFFECTIVE = 0,
    TRANSFORM_FROM_EFFECTIVE_TO_EFFECTIVE = 1,
    TRANSFORM_FROM_WORLD_TO_WORLD = 2,
    TRANSFORM_FROM_EFFECTIVE_TO_WORLD = 3,
    TRANSFORM_FROM_EFFECTIVE_TO_TMP = 4,
    TRANSFORM_FROM_TMP_TO_EFFECTIVE = 5,
};
}  // namespace COORDINATE_SYSTEM

// One affine transformation of axes 1..3 (row-vector form: (x, y, z, 1) * M,
// translation in row 4) and a coordinate system. The process-wide instance
// (made with drivesNodes) decides what every node value, length, angle and
// cache entry refers to: its system is the active machine's. Trajectory
// generation makes private ones to turn a corner or an arc into the XY plane
// and back.
class Coordinates {
public:
    // With drivesNodes, setting the system switches the system that every
    // node reads and writes.
    explicit Coordinates(bool drivesNodes = false);

    void init();
    int16_t system() const { return system_; }
    void setSystem(int16_t value);

    // Unchained setups replace the transformation (and clear the reverse
    // flag); chained ones apply after the existing transformation.
    void setupTranslation(double Tx, double Ty, double Tz, bool isChained = false);
    void setupReverse(bool xReverse, bool yReverse, bool zReverse);
    void setupScale(double xScale, double yScale, double zScale, bool isChained = false);
    // Positive angles turn +x towards +y about axis 3 (+y to +z about 1,
    // +z to +x about 2). Other axis numbers leave the transformation as is.
    void setupRotate(double angle, int16_t axis, bool isChained = false);
    void ApplyTransformationToNode(Node& tmpNode, int16_t fromToDirection = 0) const;
    void ApplyTransformationToNode(const std::shared_ptr<Node>& tmpNode, int16_t fromToDirection = 0) const;
    // The transformation of axes 1..3 on bare values, in place, for loops
    // that keep points without nodes (no developer log lines).
    void transformAxes(int32_t* axes) const;
    // Performs the reversal only (exchanges values so the path runs the other
    // way along each reversed axis); a no-op without setupReverse.
    void ApplyTransformationToPath(NodePath& tmpNodePath) const;
    void ApplyTransformationToPath(const std::shared_ptr<NodePath>& tmpNodePath) const;

    // --- library-internal: a plane onto the XY plane and back ---
    // Moves `origin` to 0 and turns `normal` (indices 1..3) onto +Z. A normal
    // pointing down is turned up first: it describes the same plane, and the
    // two rotations only reach +Z from the upper half.
    void setupPreTransformation(const Node& origin, const GeometryMath::Vector& normal);
    // Exactly undoes the last pre-transformation.
    void setupPostTransformation();

    const GeometryMath::Matrix& matrix() const { return matrix_; }
    bool isReverse() const { return reverse_; }
    const GeometryMath::Matrix& reverseMatrix() const { return reverseMatrix_; }

private:
    void setSystemValue(int16_t value);
    void apply(const GeometryMath::Matrix& t, bool isChained, const char* label);

    bool drivesNodes_ = false;
    int16_t system_ = 0;
    GeometryMath::Matrix matrix_;
    bool reverse_ = false;
    GeometryMath::Matrix reverseMatrix_;
    double preAlpha_ = 0.0;
    double preBeta_ = 0.0;
    double preOrigin_[3] = {0.0, 0.0, 0.0};
};

}  // namespace vek
