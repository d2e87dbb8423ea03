#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vek/foundation/Collection.h"
#include "vek/geometry/Node.h"

namespace vek {

class PathEngine;

namespace PathConstants {
enum Value : int32_t { INDEPENDENT_PATH = 0, LINEAR_PATH = 1, ARC_PATH = 2 };
}  // namespace PathConstants

using NodeCollection = Collection<std::shared_ptr<Node>>;

// Times of the steps of a generated trajectory in servo samples, indexed
// like the engine's step dimension: entry j (1..n) is the time of step j;
// entry 0 is unused and 0. Empty when nothing was generated.
using TimeArray = std::vector<int32_t>;

// An ordered, keyed list of nodes: the corners of a polyline, the
// construction points of an arc ("center", "start", "end", "direction",
// "pitch", "rotations"), or the targets of independent axes; after
// generatePath the time-indexed trajectory points. Keeps the running length
// and corner angles of its nodes in the slot of the current coordinate
// system, and links to the next path of a chain.
class NodePath {
public:
    NodePath();
    ~NodePath();
    NodePath(const NodePath&) = delete;
    NodePath& operator=(const NodePath&) = delete;

    // Time between two trajectory steps in servo samples (245.76 µs each).
    int16_t TIMEDELTA() const { return timeDelta_; }
    void setTIMEDELTA(int16_t value);
    double TIMEDELTASECONDS() const { return timeDeltaSeconds_; }
    int32_t key() const { return key_; }
    void setKey(int32_t value) { key_ = value; }
    const std::string& name() const { return name_; }
    void setName(const std::string& value) { name_ = value; }
    int16_t pathType() const { return pathType_; }
    void setPathType(int16_t value) { pathType_ = value; }
    bool dirty() const { return dirty_; }
    // Setting true also drops the cached trajectory of this path's key.
    void setDirty(bool value);
    double effectiveLength() const;
    void setEffectiveLength(double value);
    const std::shared_ptr<NodePath>& nextPath() const { return nextPath_; }
    void setNextPath(std::shared_ptr<NodePath> value) { nextPath_ = std::move(value); }

    // The engine's path side given by init (null before).
    const std::shared_ptr<PathEngine>& getObject() const { return engine_; }
    // Takes the channel's engine object (ICommunication::getObject) when one
    // is given, then clears `dirty`. Without an engine, generation uses a
    // private one: profiles need no port.
    void init(std::shared_ptr<PathEngine> engine = nullptr);
    // Adds the nodes of `fromNodePath` (the same objects) without keys.
    void appendNodes(const std::shared_ptr<NodePath>& fromNodePath);
    void appendNodes(const NodePath& fromNodePath);

    // Extents of axes 1..3 over the current system's values; min starts
    // from 99999999 and max from 0.
    int32_t getMinX() const { return extent(1, true); }
    int32_t getMaxX() const { return extent(1, false); }
    int32_t getMinY() const { return extent(2, true); }
    int32_t getMaxY() const { return extent(2, false); }
    int32_t getMinZ() const { return extent(3, true); }
    int32_t getMaxZ() const { return extent(3, false); }
    std::shared_ptr<Node> getNodeByName(const std::string& nodeName) const;

    // Replaces `nodes` by the trajectory of the chain headed by tmpNodePath
    // on the active machine (served from the process-wide cache when the key
    // and settings match) and returns the step times. maxSpeed in counts per
    // sample, acceleration in counts per sample squared, cornerRadius in
    // pitch-scaled counts.
    TimeArray generatePath(const std::shared_ptr<NodePath>& tmpNodePath, double maxSpeed = 5.0,
                           double acceleration = 0.01, bool slowToEnd = true, double cornerRadius = 0.0);
    std::shared_ptr<Node> getBeginningNode() const;
    std::shared_ptr<Node> getEndNode(bool adjustForArc = false) const;
    double getRadius() const;
    // Straight move of the active machine's line axes with the engine's
    // multi-axis profile.
    TimeArray generateLinePath(const Node& fromNode, const Node& toNode, double maxSpeed = 5.0,
                               double acceleration = 0.01, bool slowToEnd = true);
    // Straight move as a one-segment path (one-dimensional profile).
    TimeArray generateLinePathTarn(const Node& fromNode, const Node& toNode, double maxSpeed = 5.0,
                                   double acceleration = 0.01, bool slowToEnd = true);

    // Number of nodes. 32 bits: trajectories easily pass 32767 steps.
    int32_t size() const { return nodes_ ? static_cast<int32_t>(nodes_->count()) : 0; }
    // The collection itself (null after a generation that produced nothing).
    const std::shared_ptr<NodeCollection>& nodes() const { return nodes_; }
    void setNodes(std::shared_ptr<NodeCollection> value) { nodes_ = std::move(value); }
    // Empty key: appended without key, length updated incrementally. Key
    // only: appended under it. Both: inserted before `beforeKey` (missing:
    // error 5) and everything recalculated. A duplicate key raises 457.
    void addNode(std::shared_ptr<Node> tmpNode, const std::string& key = "", const std::string& beforeKey = "");
    // Removes the node stored under the text of tmpNode.key (missing: 5).
    void removeNode(const Node& tmpNode);
    void calculateLength(bool recalculate = true);
    // Copies of the nodes, same pathType and name; other fields default.
    std::shared_ptr<NodePath> clone() const;
    std::string toString() const;
    std::string toStringAppendedPaths() const;

    // The engine used for generation: the init one or a private one.
    PathEngine& engine();
    // Appends without key and extends the running length only: the refined
    // paths of trajectory generation need lengths, not corner angles, and
    // have no cache entry to drop. Keeps a half-million-node refinement
    // from paying for both.
    void appendForGeneration(std::shared_ptr<Node> tmpNode);

private:
    int32_t extent(int axis, bool minimum) const;
    void updateCorner(const Node& a, Node& b, const Node& c, int slot, const double ratio[3]);

    int16_t timeDelta_ = 128;
    double timeDeltaSeconds_ = 0.03145728;
    int32_t key_ = 0;
    std::string name_;
    int16_t pathType_ = PathConstants::LINEAR_PATH;
    bool dirty_ = false;
    std::array<double, 2> effectiveLength_{};
    std::shared_ptr<NodePath> nextPath_;
    std::shared_ptr<NodeCollection> nodes_;
    std::shared_ptr<PathEngine> engine_;
    std::shared_ptr<PathEngine> ownEngine_;
};

}  // namespace vek
