#include "vek/geometry/PathCache.h"

#include <string>

#include "vek/motion/Runtime.h"

namespace vek {

PathCache::PathCache() : world_(std::make_shared<Entries>()), user_(std::make_shared<Entries>()) {}

PathCache::Entries* PathCache::entries() {
    switch (Node::currentSlot()) {
        case 0: return world_.get();
        case 1: return user_.get();
        default: return nullptr;
    }
}

TimeArray PathCache::timeArray() const {
    return TimeArray{0, 0, timeDelta_};
}

std::shared_ptr<NodeCollection> PathCache::getCache(int32_t pathKey, double tmpMaxSpeed, double tmpAcceleration,
                                                    bool tmpSlowToEnd, double tmpCornerRadius) {
    if (pathKey == 0) return nullptr;
    Entries* entries = this->entries();
    const std::string key = std::to_string(pathKey);
    if (!entries || !entries->contains(key)) return nullptr;
    const PathCache& entry = *entries->item(key);
    logMessage("Found PathCache for " + key, 6);
    if (entry.maxSpeed_ != tmpMaxSpeed || entry.acceleration_ != tmpAcceleration || entry.slowToEnd_ != tmpSlowToEnd ||
        entry.cornerRadius_ != tmpCornerRadius) {
        logMessage("Found PathCache doesn't matche the exact attributes!", 6);
        return nullptr;
    }
    logMessage("Found PathCache matches the exact attributes!", 6);
    // timeArray() now answers with the spacing of the trajectory just found.
    timeDelta_ = entry.timeDelta_;
    return entry.nodes_;
}

void PathCache::addCache(int32_t pathKey, double tmpMaxSpeed, double tmpAcceleration, bool tmpSlowToEnd,
                         double tmpCornerRadius, std::shared_ptr<NodeCollection> tmpNodes, int16_t timeDelta) {
    if (pathKey == 0) return;
    removeCache(pathKey);
    Entries* entries = this->entries();
    if (!entries) return;
    auto entry = std::make_shared<PathCache>();
    entry->world_.reset();
    entry->user_.reset();
    entry->maxSpeed_ = tmpMaxSpeed;
    entry->acceleration_ = tmpAcceleration;
    entry->slowToEnd_ = tmpSlowToEnd;
    entry->cornerRadius_ = tmpCornerRadius;
    entry->nodes_ = std::move(tmpNodes);
    entry->timeDelta_ = timeDelta;
    const std::string key = std::to_string(pathKey);
    entries->add(std::move(entry), key);
    if (doLogMessage(6)) {
        logMessage("Added PathCache for " + key, 6);
        logMessage("New size of PathCahce is > [world= " + std::to_string(worldCount()) +
                       " ], [user= " + std::to_string(userCount()) + " ]",
                   6);
    }
}

void PathCache::removeCache(int32_t pathKey) {
    if (pathKey == -31913) {
        world_ = std::make_shared<Entries>();
        user_ = std::make_shared<Entries>();
        return;
    }
    const std::string key = std::to_string(pathKey);
    Entries* entries = this->entries();
    if (entries && entries->contains(key)) entries->remove(key);
    if (doLogMessage(6)) logMessage("Removed PathCache for " + key, 6);
}

}  // namespace vek
