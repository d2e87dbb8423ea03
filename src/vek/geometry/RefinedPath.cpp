#include "vek/geometry/RefinedPath.h"

#include "vek/geometry/GeometryMath.h"
#include "vek/geometry/NodePath.h"

namespace vek {

RefinedPath::RefinedPath(const Machine& machine) : slot_(machine.slot()) {
    for (std::size_t i = 0; i < 3; ++i) ratios_[i] = machine.pitchRatios[i + 1];
}

void RefinedPath::append(const Axes& axes, std::shared_ptr<const Node> origin) {
    if (slot_ < 0) return;
    if (!points_.empty())
        length_ += GeometryMath::distanceBetweenAxes(points_.back().axes.data(), axes.data(), ratios_[0], ratios_[1],
                                                     ratios_[2]);
    uint32_t originIndex = 0;
    if (origin) {
        origins_.push_back(std::move(origin));
        originIndex = static_cast<uint32_t>(origins_.size());
    }
    points_.push_back(Point{axes, length_, originIndex});
}

void RefinedPath::append(const std::shared_ptr<const Node>& vertex) {
    Axes axes;
    for (int i = 0; i < MAX_MOTORS; ++i) axes[static_cast<std::size_t>(i)] = vertex->slotAxis(slot_, i + 1);
    append(axes, vertex);
}

void RefinedPath::append(const RefinedPath& other) {
    points_.reserve(points_.size() + other.size());
    for (const Point& p : other.points_) append(p.axes, p.origin ? other.origins_[p.origin - 1] : nullptr);
}

std::shared_ptr<Node> RefinedPath::node(std::size_t i) const {
    const Point& p = points_[i];
    std::shared_ptr<Node> n;
    if (p.origin) {
        n = origins_[p.origin - 1]->clone(false, slot_);
    } else {
        n = std::make_shared<Node>();
        for (int a = 0; a < MAX_MOTORS; ++a) n->setSlotAxis(slot_, a + 1, p.axes[static_cast<std::size_t>(a)]);
    }
    n->setLengthFromStart(slot_, p.length);
    return n;
}

std::shared_ptr<NodePath> RefinedPath::toNodePath(std::size_t first) const {
    auto path = std::make_shared<NodePath>();
    path->nodes()->reserve(points_.size() - std::min(first, points_.size()));
    for (std::size_t i = first; i < points_.size(); ++i) path->appendForGeneration(node(i));
    return path;
}

}  // namespace vek
