#include "vek/geometry/Coordinates.h"

#include <cmath>
#include <utility>

#include "vek/foundation/Convert.h"
#include "vek/foundation/Log.h"
#include "vek/geometry/FastRound.h"
#include "vek/geometry/Node.h"
#include "vek/geometry/NodePath.h"

namespace vek {

namespace {

GeometryMath::Matrix rotation(double angle, int16_t axis) {
    GeometryMath::Matrix t = GeometryMath::getIdentityMatrix(4);
    const double c = std::cos(angle), s = std::sin(angle);
    switch (axis) {
        case 1:
            t[2][2] = t[3][3] = c;
            t[2][3] = s;
            t[3][2] = -s;
            break;
        case 2:
            t[1][1] = t[3][3] = c;
            t[3][1] = s;
            t[1][3] = -s;
            break;
        case 3:
            t[1][1] = t[2][2] = c;
            t[1][2] = s;
            t[2][1] = -s;
            break;
        default: break;
    }
    return t;
}

GeometryMath::Matrix translation(double tx, double ty, double tz) {
    GeometryMath::Matrix t = GeometryMath::getIdentityMatrix(4);
    t[4][1] = tx;
    t[4][2] = ty;
    t[4][3] = tz;
    return t;
}

}  // namespace

Coordinates::Coordinates(bool drivesNodes) : drivesNodes_(drivesNodes) {
    init();
}

void Coordinates::init() {
    setSystemValue(0);
    matrix_ = GeometryMath::getIdentityMatrix(4);
    reverse_ = false;
    reverseMatrix_ = GeometryMath::getIdentityMatrix(4);
}

void Coordinates::setSystemValue(int16_t value) {
    system_ = value;
    if (drivesNodes_) setActiveCoordinateSystem(value);
}

void Coordinates::setSystem(int16_t value) {
    setSystemValue(value);
    if (value == 0) logAt(LogLevel::DEVELOPER, "Coordinate system is set to WORLD");
    if (value == 1) logAt(LogLevel::DEVELOPER, "Coordinate system is set to USER");
}

void Coordinates::apply(const GeometryMath::Matrix& t, bool isChained, const char* label) {
    if (isChained) {
        matrix_ = GeometryMath::multiplyMatrices(matrix_, t);
    } else {
        matrix_ = t;
        reverse_ = false;
    }
    if (logs(LogLevel::DEVELOPER)) {
        logAt(LogLevel::DEVELOPER, label);
        GeometryMath::matrixToString(t);
        logAt(LogLevel::DEVELOPER, "Transformation matrix is ");
        GeometryMath::matrixToString(matrix_);
    }
}

void Coordinates::setupTranslation(double Tx, double Ty, double Tz, bool isChained) {
    apply(translation(Tx, Ty, Tz), isChained, "Translation matrix is ");
}

void Coordinates::setupReverse(bool xReverse, bool yReverse, bool zReverse) {
    reverseMatrix_ = GeometryMath::getIdentityMatrix(4);
    reverseMatrix_[1][1] = xReverse ? 1.0 : 0.0;
    reverseMatrix_[2][2] = yReverse ? 1.0 : 0.0;
    reverseMatrix_[3][3] = zReverse ? 1.0 : 0.0;
    reverse_ = true;
    if (logs(LogLevel::DEVELOPER)) {
        logAt(LogLevel::DEVELOPER, "Reverse matrix is ");
        GeometryMath::matrixToString(reverseMatrix_);
    }
}

void Coordinates::setupScale(double xScale, double yScale, double zScale, bool isChained) {
    GeometryMath::Matrix t = GeometryMath::getIdentityMatrix(4);
    t[1][1] = xScale;
    t[2][2] = yScale;
    t[3][3] = zScale;
    apply(t, isChained, "Scale matrix is ");
}

void Coordinates::setupRotate(double angle, int16_t axis, bool isChained) {
    apply(rotation(angle, axis), isChained, "Rotate matrix is ");
}

void Coordinates::ApplyTransformationToNode(Node& tmpNode, int16_t fromToDirection) const {
    logAt(LogLevel::DEVELOPER, [&] { return "Processing node " + tmpNode.toString(); });
    const int effective = Node::slotOf(system_);
    auto read = [&](int i) -> int32_t {
        switch (fromToDirection) {
            case 0:
            case 2: return tmpNode.slotAxis(0, i);
            case 5: return tmpNode.tmpAxis(static_cast<int16_t>(i));
            default: return tmpNode.slotAxis(effective, i);
        }
    };
    int32_t axes[3] = {read(1), read(2), read(3)};
    transformAxes(axes);
    for (int j = 1; j <= 3; ++j) {
        const int32_t v = axes[j - 1];
        switch (fromToDirection) {
            case 2:
            case 3: tmpNode.setSlotAxis(0, j, v); break;
            case 4: tmpNode.setTmpAxis(static_cast<int16_t>(j), v); break;
            default: tmpNode.setSlotAxis(effective, j, v); break;
        }
    }
    logAt(LogLevel::DEVELOPER, [&] { return "Node processed to " + tmpNode.toString(); });
}

void Coordinates::transformAxes(int32_t* axes) const {
    const double x = axes[0], y = axes[1], z = axes[2];
    for (std::size_t c = 1; c <= 3; ++c)
        axes[c - 1] = roundToInt32(x * matrix_[1][c] + y * matrix_[2][c] + z * matrix_[3][c] + matrix_[4][c]);
}

void Coordinates::ApplyTransformationToNode(const std::shared_ptr<Node>& tmpNode, int16_t fromToDirection) const {
    if (tmpNode) ApplyTransformationToNode(*tmpNode, fromToDirection);
}

void Coordinates::ApplyTransformationToPath(NodePath& tmpNodePath) const {
    auto nodes = tmpNodePath.nodes();
    if (!reverse_ || !nodes || nodes->count() == 0) return;
    const int effective = Node::slotOf(system_);
    auto exchange = [effective](Node& a, Node& b, int axis) {
        const int32_t va = a.slotAxis(effective, axis);
        a.setSlotAxis(effective, axis, b.slotAxis(effective, axis));
        b.setSlotAxis(effective, axis, va);
    };
    for (int axis = 1; axis <= 3; ++axis) {
        if (reverseMatrix_[static_cast<std::size_t>(axis)][static_cast<std::size_t>(axis)] != 1.0) continue;
        if (tmpNodePath.pathType() == PathConstants::ARC_PATH) {
            auto start = tmpNodePath.getNodeByName("start");
            auto end = tmpNodePath.getNodeByName("end");
            if (start && end) exchange(*start, *end, axis);
        } else if (tmpNodePath.pathType() == PathConstants::LINEAR_PATH) {
            const std::size_t n = nodes->count();
            for (std::size_t k = 1; k <= n / 2; ++k) exchange(*nodes->item(k), *nodes->item(n + 1 - k), axis);
        }
    }
}

void Coordinates::ApplyTransformationToPath(const std::shared_ptr<NodePath>& tmpNodePath) const {
    if (tmpNodePath) ApplyTransformationToPath(*tmpNodePath);
}

void Coordinates::setupPreTransformation(const Node& origin, const GeometryMath::Vector& normal) {
    const int effective = Node::slotOf(system_);
    const double flip = normal.size() > 3 && normal[3] < 0 ? -1.0 : 1.0;
    const double a = normal.size() > 1 ? flip * normal[1] : 0.0;
    const double b = normal.size() > 2 ? flip * normal[2] : 0.0;
    const double c = normal.size() > 3 ? flip * normal[3] : 0.0;
    for (int i = 0; i < 3; ++i) preOrigin_[i] = origin.slotAxis(effective, i + 1);
    setupTranslation(-preOrigin_[0], -preOrigin_[1], -preOrigin_[2], false);
    double ratio = b / std::sqrt(b * b + c * c);
    preAlpha_ = b != 0.0 ? GeometryMath::asin(ratio) : 0.0;
    setupRotate(preAlpha_, 1, true);
    logAt(LogLevel::DEVELOPER,
          "PreTransformation : X rotate angle is = " + toText(GeometryMath::radToDegree(preAlpha_)));
    ratio = a / std::sqrt(a * a + b * b + c * c);
    preBeta_ = a != 0.0 ? -GeometryMath::asin(ratio) : 0.0;
    setupRotate(preBeta_, 2, true);
    if (logs(LogLevel::DEVELOPER)) {
        logAt(LogLevel::DEVELOPER,
              "PreTransformation : Y rotate angle is = " + toText(GeometryMath::radToDegree(preBeta_)));
        logAt(LogLevel::DEVELOPER, "PreTransform matrix is ");
        GeometryMath::matrixToString(matrix_);
    }
}

void Coordinates::setupPostTransformation() {
    setupRotate(-preBeta_, 2, false);
    logAt(LogLevel::DEVELOPER,
          "PostTransformation : Y rotate angle is = " + toText(GeometryMath::radToDegree(-preBeta_)));
    setupRotate(-preAlpha_, 1, true);
    logAt(LogLevel::DEVELOPER,
          "PostTransformation : X rotate angle is = " + toText(GeometryMath::radToDegree(-preAlpha_)));
    setupTranslation(preOrigin_[0], preOrigin_[1], preOrigin_[2], true);
    if (logs(LogLevel::DEVELOPER)) {
        logAt(LogLevel::DEVELOPER, "PostTransform matrix is ");
        GeometryMath::matrixToString(matrix_);
    }
}

}  // namespace vek
