#include "vek/geometry/NodePath.h"

#include <algorithm>
#include <unordered_set>

#include "vek/foundation/Convert.h"
#include "vek/foundation/Log.h"
#include "vek/geometry/GeometryMath.h"
#include "vek/geometry/PathCache.h"
#include "vek/geometry/PathEngine.h"
#include "vek/geometry/TrajectoryGenerator.h"

namespace vek {

NodePath::NodePath() : nodes_(std::make_shared<NodeCollection>()) {}

NodePath::~NodePath() {
    logAt(LogLevel::DEVELOPER,
          [&] { return "Terminating vek.Path ->" + name_ + " with " + std::to_string(size()) + " nodes."; });
}

void NodePath::setTIMEDELTA(int16_t value) {
    timeDelta_ = value;
    timeDeltaSeconds_ = value * 24576.0 / 1e8;
    logAt(LogLevel::DEVELOPER, [&] {
        return "Timedelta for coordinated motion (" + toText(value) +
               ") samples in seconds = " + toText(timeDeltaSeconds_);
    });
}

void NodePath::setDirty(bool value) {
    dirty_ = value;
    if (value)
        if (PathCache* cache = PathCache::shared()) cache->removeCache(key_);
}

double NodePath::effectiveLength() const {
    const int slot = Node::currentSlot();
    return slot >= 0 ? effectiveLength_[static_cast<std::size_t>(slot)] : 0.0;
}

void NodePath::setEffectiveLength(double value) {
    const int slot = Node::currentSlot();
    if (slot >= 0) effectiveLength_[static_cast<std::size_t>(slot)] = value;
}

void NodePath::init(std::shared_ptr<PathEngine> engine) {
    if (engine) engine_ = std::move(engine);
    dirty_ = false;
}

PathEngine& NodePath::engine() {
    if (engine_) return *engine_;
    if (!ownEngine_) ownEngine_ = std::make_shared<PathEngine>();
    return *ownEngine_;
}

void NodePath::appendNodes(const std::shared_ptr<NodePath>& fromNodePath) {
    if (fromNodePath) appendNodes(*fromNodePath);
}

void NodePath::appendNodes(const NodePath& fromNodePath) {
    if (!fromNodePath.nodes_) return;
    // Appending a path to itself must not chase its own growing end.
    const std::size_t n = fromNodePath.nodes_->count();
    nodes_->reserve(nodes_->count() + n);
    for (std::size_t i = 1; i <= n; ++i) addNode(fromNodePath.nodes_->item(i), "", "");
}

int32_t NodePath::extent(int axis, bool minimum) const {
    const int slot = Node::currentSlot();
    int32_t value = minimum ? 99999999 : 0;
    if (!nodes_) return value;
    for (const auto& node : *nodes_) {
        const int32_t v = node->slotAxis(slot, axis);
        value = minimum ? std::min(value, v) : std::max(value, v);
    }
    return value;
}

std::shared_ptr<Node> NodePath::getNodeByName(const std::string& nodeName) const {
    if (!nodes_) return nullptr;
    for (const auto& node : *nodes_)
        if (node->name() == nodeName) return node;
    return nullptr;
}

TimeArray NodePath::generatePath(const std::shared_ptr<NodePath>& tmpNodePath, double maxSpeed, double acceleration,
                                 bool slowToEnd, double cornerRadius) {
    nodes_.reset();
    PathCache* cache = PathCache::shared();
    if (tmpNodePath && cache) {
        if (auto hit = cache->getCache(tmpNodePath->key(), maxSpeed, acceleration, slowToEnd, cornerRadius)) {
            nodes_ = std::move(hit);
            return cache->timeArray();
        }
    }
    const MotionSettings settings{maxSpeed, acceleration, slowToEnd, cornerRadius, timeDelta_};
    Trajectory trajectory = TrajectoryGenerator::generatePath(tmpNodePath, activeMachine(), engine(), settings);
    if (!trajectory.nodes) return {};
    nodes_ = std::move(trajectory.nodes);
    if (cache) cache->addCache(tmpNodePath->key(), maxSpeed, acceleration, slowToEnd, cornerRadius, nodes_);
    tmpNodePath->setDirty(false);
    return std::move(trajectory.time);
}

TimeArray NodePath::generateLinePath(const Node& fromNode, const Node& toNode, double maxSpeed, double acceleration,
                                     bool slowToEnd) {
    const MotionSettings settings{maxSpeed, acceleration, slowToEnd, 0.0, timeDelta_};
    Trajectory trajectory =
        TrajectoryGenerator::generateLinePath(fromNode, toNode, activeMachine(), engine(), settings);
    nodes_ = std::move(trajectory.nodes);
    return std::move(trajectory.time);
}

TimeArray NodePath::generateLinePathTarn(const Node& fromNode, const Node& toNode, double maxSpeed, double acceleration,
                                         bool slowToEnd) {
    const MotionSettings settings{maxSpeed, acceleration, slowToEnd, 0.0, timeDelta_};
    Trajectory trajectory =
        TrajectoryGenerator::generateLinePathTarn(fromNode, toNode, activeMachine(), engine(), settings);
    nodes_ = std::move(trajectory.nodes);
    return std::move(trajectory.time);
}

std::shared_ptr<Node> NodePath::getBeginningNode() const {
    if (pathType_ == PathConstants::LINEAR_PATH) return nodes_ && nodes_->count() > 0 ? nodes_->item(1) : nullptr;
    return getNodeByName("start");
}

std::shared_ptr<Node> NodePath::getEndNode(bool adjustForArc) const {
    if (pathType_ == PathConstants::LINEAR_PATH)
        return nodes_ && nodes_->count() > 0 ? nodes_->item(nodes_->count()) : nullptr;
    auto end = getNodeByName("end");
    if (!adjustForArc) return end;
    auto center = getNodeByName("center");
    if (!center || !end) return nullptr;
    return GeometryMath::getNodeOnPath(*center, *end, getRadius());
}

double NodePath::getRadius() const {
    if (pathType_ == PathConstants::LINEAR_PATH) return 999999999999.0;
    if (pathType_ != PathConstants::ARC_PATH) return 0.0;
    auto center = getNodeByName("center");
    auto start = getNodeByName("start");
    if (!center || !start) return 0.0;
    const auto& r = activeMachine().pitchRatios;
    return GeometryMath::distanceBetweenNodes(*center, *start, r[1], r[2], r[3]);
}

void NodePath::addNode(std::shared_ptr<Node> tmpNode, const std::string& key, const std::string& beforeKey) {
    requireObject(tmpNode);
    if (!nodes_) nodes_ = std::make_shared<NodeCollection>();
    if (key.empty()) {
        nodes_->add(std::move(tmpNode));
        calculateLength(false);
    } else if (beforeKey.empty()) {
        nodes_->add(std::move(tmpNode), key);
        calculateLength(false);
    } else {
        const std::size_t before = nodes_->positionOf(beforeKey);
        if (before == 0) throw NumberedError::platform(PlatformErrors::INVALID_PROCEDURE_CALL);
        nodes_->add(std::move(tmpNode), key, before);
        calculateLength(true);
    }
}

void NodePath::appendForGeneration(std::shared_ptr<Node> tmpNode) {
    const int slot = Node::currentSlot();
    if (slot < 0) return;
    auto& total = effectiveLength_[static_cast<std::size_t>(slot)];
    if (nodes_->count() > 0) {
        const auto& r = activeMachine().pitchRatios;
        total += GeometryMath::distanceBetweenNodes(*nodes_->item(nodes_->count()), *tmpNode, r[1], r[2], r[3], slot);
    }
    tmpNode->setLengthFromStart(slot, total);
    nodes_->add(std::move(tmpNode));
}

void NodePath::removeNode(const Node& tmpNode) {
    if (!nodes_) throw NumberedError::platform(PlatformErrors::INVALID_PROCEDURE_CALL);
    nodes_->remove(std::to_string(tmpNode.key()));
    calculateLength(true);
}

void NodePath::updateCorner(const Node& a, Node& b, const Node& c, int slot, const double ratio[3]) {
    const double s1 = b.lengthFromStart(slot) - a.lengthFromStart(slot);
    const double s2 = c.lengthFromStart(slot) - b.lengthFromStart(slot);
    const double s3 = GeometryMath::distanceBetweenNodes(a, c, ratio[0], ratio[1], ratio[2], slot);
    if (s1 > 0 && s2 > 0 && s3 > 0) {
        // Rounding can push the cosine a hair past +-1 on straight runs.
        double cosine = std::clamp((s2 * s2 + s1 * s1 - s3 * s3) / (2 * s1 * s2), -1.0, 1.0);
        b.setCornerAngle(slot, GeometryMath::acos(cosine));
    } else {
        b.setCornerAngle(slot, 0.0);
    }
}

void NodePath::calculateLength(bool recalculate) {
    setDirty(true);
    const Machine& machine = activeMachine();
    const double ratio[3] = {machine.pitchRatios[1], machine.pitchRatios[2], machine.pitchRatios[3]};
    const int slot = machine.slot();
    if (!nodes_ || slot < 0) return;
    const std::size_t n = nodes_->count();
    auto distance = [&](const Node& a, const Node& b) {
        return GeometryMath::distanceBetweenNodes(a, b, ratio[0], ratio[1], ratio[2], slot);
    };
    if (!recalculate) {
        if (n == 0) return;
        Node& last = *nodes_->item(n);
        const Node& previous = n >= 2 ? *nodes_->item(n - 1) : last;
        effectiveLength_[static_cast<std::size_t>(slot)] += distance(previous, last);
        last.setLengthFromStart(slot, effectiveLength_[static_cast<std::size_t>(slot)]);
        if (n >= 3) updateCorner(*nodes_->item(n - 2), *nodes_->item(n - 1), last, slot, ratio);
        last.setCornerAngle(slot, 0.0);
        return;
    }
    double total = 0.0;
    for (std::size_t i = 1; i <= n; ++i) {
        Node& node = *nodes_->item(i);
        if (i > 1) total += distance(*nodes_->item(i - 1), node);
        node.setLengthFromStart(slot, total);
        node.setCornerAngle(slot, 0.0);
        if (i >= 3) updateCorner(*nodes_->item(i - 2), *nodes_->item(i - 1), node, slot, ratio);
    }
    effectiveLength_[static_cast<std::size_t>(slot)] = total;
}

std::shared_ptr<NodePath> NodePath::clone() const {
    auto copy = std::make_shared<NodePath>();
    if (nodes_)
        for (const auto& node : *nodes_) copy->addNode(node->clone(false));
    copy->pathType_ = pathType_;
    copy->name_ = name_;
    copy->dirty_ = false;
    return copy;
}

std::string NodePath::toString() const {
    if (!nodes_) return "Empty Path";
    const int slot = Node::currentSlot();
    std::string s = "[nodes=" + std::to_string(nodes_->count()) + "]\r\n";
    const Node* previous = nullptr;
    for (const auto& node : *nodes_) {
        s += node->toString() + "\r\n";
        if (previous) {
            s += "diff1=" + std::to_string(int64_t{node->slotAxis(slot, 1)} - previous->slotAxis(slot, 1)) + "\r\n";
            s += "diff2=" + std::to_string(int64_t{node->slotAxis(slot, 2)} - previous->slotAxis(slot, 2)) + "\r\n";
        }
        previous = node.get();
    }
    return s;
}

std::string NodePath::toStringAppendedPaths() const {
    std::string s = name_;
    // A chain that loops back is shown up to the first repeat.
    std::unordered_set<const NodePath*> seen{this};
    for (auto p = nextPath_; p && seen.insert(p.get()).second; p = p->nextPath_) s += " -> " + p->name_;
    return s;
}

}  // namespace vek
