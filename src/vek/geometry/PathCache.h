#pragma once
#include <cstdint>
#include <functional>
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

    // The process-wide cache that paths drop their entries from when they
    // change and that NodePath::generatePath consults; null (no caching)
    // until the composition root installs one.
    static PathCache* shared();
    static void setShared(std::shared_ptr<PathCache> cache);

    double acceleration() const { return acceleration_; }
    void setAcceleration(double value) { acceleration_ = value; }
    double maxSpeed() const { return maxSpeed_; }
    void setMaxSpeed(double value) { maxSpeed_ = value; }
    bool slowToEnd() const { return slowToEnd_; }
    void setSlowToEnd(bool value) { slowToEnd_ = value; }
    double cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(double value) { cornerRadius_ = value; }
    // The cache keeps no time per step: entries 0 and 1 are 0, entry 2 the
    // TIMEDELTA of the façade's working path (the path every cached
    // trajectory is generated into), which is all a consumer of a cached
    // trajectory may rely on.
    TimeArray timeArray() const;
    // How the cache learns the working path's TIMEDELTA; 128 without it.
    void setWorkingTimeDelta(std::function<int16_t()> timeDelta) { workingTimeDelta_ = std::move(timeDelta); }
    const std::shared_ptr<NodeCollection>& nodes() const { return nodes_; }
    void setNodes(std::shared_ptr<NodeCollection> value) { nodes_ = std::move(value); }

    // The stored trajectory when key and all four settings match exactly;
    // null otherwise (key 0 is never cached).
    std::shared_ptr<NodeCollection> getCache(int32_t pathKey, double tmpMaxSpeed, double tmpAcceleration,
                                             bool tmpSlowToEnd, double tmpCornerRadius);
    // Replaces the entry of pathKey in the current system (key 0: nothing).
    void addCache(int32_t pathKey, double tmpMaxSpeed, double tmpAcceleration, bool tmpSlowToEnd,
                  double tmpCornerRadius, std::shared_ptr<NodeCollection> tmpNodes);
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
    std::shared_ptr<NodeCollection> nodes_;
    std::shared_ptr<Entries> world_;
    std::shared_ptr<Entries> user_;
    std::function<int16_t()> workingTimeDelta_;
};

}  // namespace vek
