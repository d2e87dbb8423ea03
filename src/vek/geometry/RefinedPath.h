#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vek/geometry/Node.h"

namespace vek {

class NodePath;

// Library-internal: the refined path that trajectory generation samples (a
// polyline with its corners rounded, arcs cut into chords), kept as a flat
// array of the current coordinate system's axis values and running lengths
// instead of one node object per chord point. A rounded 10,000-vertex
// polyline has half a million chord points; as nodes they cost a heap block
// each, here 56 bytes in one array.
//
// Read back as nodes (node(), toNodePath()) a point is exactly the node the
// refined path would have held: a vertex kept as it was is a copy of that
// vertex (name, world values) with its running length, a chord point carries
// only the current system's values and its length. The copied vertices are
// held by the refined path.
class RefinedPath {
public:
    using Axes = std::array<int32_t, MAX_MOTORS>;
    struct Point {
        Axes axes;
        double length;
        uint32_t origin;  // 1-based position of the vertex this point copies in origins_, 0 for none
    };

    // Values of the machine's coordinate system, measured with its pitch
    // ratios.
    explicit RefinedPath(const Machine& machine = activeMachine());

    // Appends a point measured from the last one. As with
    // NodePath::appendForGeneration, nothing is kept without a slot.
    void append(const Axes& axes, std::shared_ptr<const Node> origin = nullptr);
    // Appends a copy of `vertex` (its values in this path's slot).
    void append(const std::shared_ptr<const Node>& vertex);
    // Appends every point of `other`, measuring on from the last point here.
    void append(const RefinedPath& other);
    void reserve(std::size_t n) { points_.reserve(n); }

    std::size_t size() const { return points_.size(); }
    bool empty() const { return points_.empty(); }
    const Point& operator[](std::size_t i) const { return points_[i]; }
    double length() const { return length_; }
    int slot() const { return slot_; }
    const double* ratios() const { return ratios_; }

    // Point i (0-based) as the node the refined path holds there.
    std::shared_ptr<Node> node(std::size_t i) const;
    // Points from `first` on as a path of such nodes, lengths measured anew
    // (developer dumps).
    std::shared_ptr<NodePath> toNodePath(std::size_t first = 0) const;

private:
    int slot_;
    double ratios_[3];
    std::vector<Point> points_;
    std::vector<std::shared_ptr<const Node>> origins_;
    double length_ = 0;
};

}  // namespace vek
