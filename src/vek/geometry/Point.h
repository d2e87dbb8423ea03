#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vek {

class Node;

// A user-side position: a name and eight coordinates (x, y, z, x4..x8) in
// the configured user unit. A free point holds and changes its own values; a
// point made a view of a node (setNode) converts the node's world values on
// every read and refuses every write with error 11.
class Point {
public:
    // Converts `value` of `axis` from motor counts to the user unit
    // (toUser) or back.
    using UnitConversion = std::function<double(int16_t axis, double value, bool toUser)>;
    // The conversion every point uses, installed by the composition root
    // (the configured unit through each axis's slide). Without one, and
    // while it answers for no open database, the user unit is the motor unit.
    static void setUnitConversion(UnitConversion conversion);

    const std::string& name() const;
    void setName(const std::string& value);
    double x() const { return coordinate(1); }
    void setX(double value) { setCoordinate(1, value); }
    double y() const { return coordinate(2); }
    void setY(double value) { setCoordinate(2, value); }
    double z() const { return coordinate(3); }
    void setZ(double value) { setCoordinate(3, value); }
    double x4() const { return coordinate(4); }
    void setX4(double value) { setCoordinate(4, value); }
    double x5() const { return coordinate(5); }
    void setX5(double value) { setCoordinate(5, value); }
    double x6() const { return coordinate(6); }
    void setX6(double value) { setCoordinate(6, value); }
    double x7() const { return coordinate(7); }
    void setX7(double value) { setCoordinate(7, value); }
    double x8() const { return coordinate(8); }
    void setX8(double value) { setCoordinate(8, value); }

    // --- library-internal ---
    // Makes the point a read-only view of `node` (for good).
    void setNode(std::shared_ptr<Node> node);
    // Whether the point is a view of a node (rather than free).
    bool isNodeView() const { return node_ != nullptr; }
    // The backing node itself, or for a free point a new node in motor units
    // (rounded halves to even) carrying the point's name.
    std::shared_ptr<Node> getNode() const;

    // Coordinate of axis 1..8 (others raise 9).
    double coordinate(int16_t axis) const;
    void setCoordinate(int16_t axis, double value);

private:
    void refuseWhenBacked() const;
    static double convert(int16_t axis, double value, bool toUser);

    std::string name_;
    std::array<double, 8> values_{};
    std::shared_ptr<Node> node_;
};

}  // namespace vek
