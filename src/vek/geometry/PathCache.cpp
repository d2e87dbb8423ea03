#include "vek/geometry/PathCache.h"

#include <string>

#include "vek/foundation/Log.h"

namespace vek {

namespace {
// Never destroyed: paths released at process exit still drop their entries.
std::shared_ptr<PathCache>& sharedSlot() {
    static auto* cache = new std::shared_ptr<PathCache>();
    return *cache;
}
}  // namespace

PathCache::PathCache() : world_(std::make_shared<Entries>()), user_(std::make_shared<Entries>()) {}

PathCache* PathCache::shared() {
    return sharedSlot().get();
}

void PathCache::setShared(std::shared_ptr<PathCache> cache) {
    sharedSlot() = std::move(cache);
}

PathCache::Entries* PathCache::entries() {
    switch (Node::currentSlot()) {
        case 0: return world_.get();
        case 1: return user_.get();
        default: return nullptr;
    }
}

TimeArray PathCache::timeArray() const {
    return TimeArray{0, 0, workingTimeDelta_ ? workingTimeDelta_() : int16_t{128}};
}

std::shared_ptr<NodeCollection> PathCache::getCache(int32_t pathKey, double tmpMaxSpeed, double tmpAcceleration,
                                                    bool tmpSlowToEnd, double tmpCornerRadius) {
    if (pathKey == 0) return nullptr;
    Entries* entries = this->entries();
    const std::string key = std::to_string(pathKey);
    if (!entries || !entries->contains(key)) return nullptr;
    const PathCache& entry = *entries->item(key);
    logAt(LogLevel::DEVELOPER, "Found PathCache for " + key);
    if (entry.maxSpeed_ != tmpMaxSpeed || entry.acceleration_ != tmpAcceleration || entry.slowToEnd_ != tmpSlowToEnd ||
        entry.cornerRadius_ != tmpCornerRadius) {
        logAt(LogLevel::DEVELOPER, "Found PathCache doesn't matche the exact attributes!");
        return nullptr;
    }
    logAt(LogLevel::DEVELOPER, "Found PathCache matches the exact attributes!");
    return entry.nodes_;
}

void PathCache::addCache(int32_t pathKey, double tmpMaxSpeed, double tmpAcceleration, bool tmpSlowToEnd,
                         double tmpCornerRadius, std::shared_ptr<NodeCollection> tmpNodes) {
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
    const std::string key = std::to_string(pathKey);
    entries->add(std::move(entry), key);
    if (logs(LogLevel::DEVELOPER)) {
        logAt(LogLevel::DEVELOPER, "Added PathCache for " + key);
        logAt(LogLevel::DEVELOPER, "New size of PathCahce is > [world= " + std::to_string(worldCount()) +
                                       " ], [user= " + std::to_string(userCount()) + " ]");
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
    logAt(LogLevel::DEVELOPER, [&] { return "Removed PathCache for " + key; });
}

}  // namespace vek
