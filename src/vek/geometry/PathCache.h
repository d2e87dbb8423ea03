#pragma once
#include <cstdint>
#include <memory>

#include "vek/foundation/Collection.h"
#include "vek/geometry/NodePath.h"

namespace vek {

// Generated trajectories by path key, so that a path that did not change is
// not generated again. The process-wide instance is the cache; further
// instances are its entries. Entries are kept per coordinate system (world
// and user): an entry made in one is invisible in the other.
class PathCache {
public:
    PathCache();

    double acceleration() const { return acceleration_; }
    void setAcceleration(double value) { acceleration_ = value; }
    double maxSpeed() const { return maxSpeed_; }
    void setMaxSpeed(double value) { maxSpeed_ = value; }
    bool slowToEnd() const { return slowToEnd_; }
    void setSlowToEnd(bool value) { slowToEnd_ = value; }
    double cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(double value) { cornerRadius_ = value; }
    // The cache keeps no time per step: entries 0 and 1 are 0, entry 2 the
    // step spacing, which is all a consumer of a cached trajectory may rely
    // on. On the process-wide cache that is the TIMEDELTA of the trajectory
    // last found by getCache (the façade's working path generates them all).
    TimeArray timeArray() const;
    const std::shared_ptr<NodeCollection>& nodes() const { return nodes_; }
    void setNodes(std::shared_ptr<NodeCollection> value) { nodes_ = std::move(value); }
    int16_t timeDelta() const { return timeDelta_; }
    void setTimeDelta(int16_t value) { timeDelta_ = value; }

    // The stored trajectory when key and all four settings match exactly;
    // null otherwise (key 0 is never cached).
    std::shared_ptr<NodeCollection> getCache(int32_t pathKey, double tmpMaxSpeed, double tmpAcceleration,
                                             bool tmpSlowToEnd, double tmpCornerRadius);
    // Replaces the entry of pathKey in the current system (key 0: nothing).
    // timeDelta: the step spacing of tmpNodes.
    void addCache(int32_t pathKey, double tmpMaxSpeed, double tmpAcceleration, bool tmpSlowToEnd,
                  double tmpCornerRadius, std::shared_ptr<NodeCollection> tmpNodes, int16_t timeDelta = 128);
    // Without a key (-31913) every entry of both systems goes.
    void removeCache(int32_t pathKey = -31913);

    std::size_t worldCount() const { return world_ ? world_->count() : 0; }
    std::size_t userCount() const { return user_ ? user_->count() : 0; }

private:
    using Entries = Collection<std::shared_ptr<PathCache>>;
    Entries* entries();

    double acceleration_ = 0.0;
    double maxSpeed_ = 0.0;
    bool slowToEnd_ = false;
    double cornerRadius_ = 0.0;
    int16_t timeDelta_ = 128;
    std::shared_ptr<NodeCollection> nodes_;
    std::shared_ptr<Entries> world_;
    std::shared_ptr<Entries> user_;
};

}  // namespace vek
