#pragma once
#include <memory>
#include <string>

#include "vek/geometry/NodePath.h"

namespace vek {

class Point;

// The scripting side's path: points in user units converted node by node
// into the NodePath it wraps (name and type live there).
class Path {
public:
    Path();

    // Linear paths take only "end"; arc paths "start", "end", "center" or
    // "direction" (which also becomes the point's name). Any case.
    void addPoint(const std::shared_ptr<Point>& tmpPoint, const std::string& whichPoint = "end");
    const std::string& name() const { return nodePath_->name(); }
    void setName(const std::string& value) { nodePath_->setName(value); }
    int16_t pathType() const { return nodePath_->pathType(); }
    // Becoming an arc path also adds the construction nodes "pitch" (0) and
    // "rotations" (1), values kept in axis 1.
    void setPathType(int16_t value);

    const std::shared_ptr<NodePath>& getNodePath() const { return nodePath_; }
    void setNodePath(std::shared_ptr<NodePath> value) { nodePath_ = std::move(value); }

private:
    std::shared_ptr<NodePath> nodePath_;
};

}  // namespace vek
