#include "vek/geometry/Node.h"

#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/NumberedError.h"

namespace vek {

namespace {
const std::string kNoName;
}

Node::Node(const Node& other)
    : world_(other.world_),
      length_(other.length_),
      key_(other.key_),
      orderNumber_(other.orderNumber_),
      speed_(other.speed_),
      acceleration_(other.acceleration_),
      mode_(other.mode_) {
    if (other.extra_) {
        extra_ = std::make_unique<Extra>();
        extra_->cornerAngle = other.extra_->cornerAngle;
        extra_->name = other.extra_->name;
        if (other.extra_->sets) extra_->sets = std::make_unique<Sets>(*other.extra_->sets);
    }
}

Node& Node::operator=(const Node& other) {
    if (this != &other) {
        Node copy(other);
        *this = std::move(copy);
    }
    return *this;
}

Node::Extra& Node::extra() {
    if (!extra_) extra_ = std::make_unique<Extra>();
    return *extra_;
}

Node::Sets& Node::sets() {
    Extra& e = extra();
    if (!e.sets) e.sets = std::make_unique<Sets>();
    return *e.sets;
}

std::size_t Node::checkedIndex(int16_t index) {
    if (index < 1 || index > MAX_MOTORS) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
    return static_cast<std::size_t>(index - 1);
}

const std::string& Node::name() const {
    return extra_ ? extra_->name : kNoName;
}

void Node::setName(const std::string& value) {
    if (value.empty() && !extra_) return;
    extra().name = value;
}

int32_t Node::axis(int16_t index) const {
    return world_[checkedIndex(index)];
}

void Node::setAxis(int16_t index, int32_t value) {
    world_[checkedIndex(index)] = value;
}

int32_t Node::slotAxis(int slot, int index) const {
    const auto i = static_cast<std::size_t>(index - 1);
    if (slot == 0) return world_[i];
    if (slot == 1 && extra_ && extra_->sets) return extra_->sets->user[i];
    return 0;
}

void Node::setSlotAxis(int slot, int index, int32_t value) {
    const auto i = static_cast<std::size_t>(index - 1);
    if (slot == 0) {
        world_[i] = value;
    } else if (slot == 1 && (value != 0 || (extra_ && extra_->sets))) {
        sets().user[i] = value;
    }
}

int32_t Node::systemAxis(int16_t index) const {
    return slotAxis(currentSlot(), static_cast<int>(checkedIndex(index)) + 1);
}

void Node::setSystemAxis(int16_t index, int32_t value) {
    setSlotAxis(currentSlot(), static_cast<int>(checkedIndex(index)) + 1, value);
}

int32_t Node::tmpAxis(int16_t index) const {
    const std::size_t i = checkedIndex(index);
    return extra_ && extra_->sets ? extra_->sets->tmp[i] : 0;
}

void Node::setTmpAxis(int16_t index, int32_t value) {
    const std::size_t i = checkedIndex(index);
    if (value == 0 && !(extra_ && extra_->sets)) return;
    sets().tmp[i] = value;
}

double Node::cornerAngle(int slot) const {
    return slot >= 0 && extra_ ? extra_->cornerAngle[static_cast<std::size_t>(slot)] : 0.0;
}

void Node::setCornerAngle(int slot, double value) {
    if (slot < 0 || (value == 0.0 && !extra_)) return;
    extra().cornerAngle[static_cast<std::size_t>(slot)] = value;
}

std::string Node::toString() const {
    std::string s = name();
    auto appendSet = [&s](const char* label, auto value) {
        s += label;
        for (int i = 1; i <= MAX_MOTORS; ++i) {
            if (i > 1) s += ',';
            s += std::to_string(value(i));
        }
    };
    appendSet(" world(", [this](int i) { return slotAxis(0, i); });
    appendSet("),user(", [this](int i) { return slotAxis(1, i); });
    appendSet("),tmp(", [this](int i) { return tmpAxis(static_cast<int16_t>(i)); });
    s += ')';
    return s;
}

std::shared_ptr<Node> Node::clone(bool onlyAxisValue, int slot) const {
    auto copy = std::make_shared<Node>();
    copy->world_ = world_;
    for (int i = 1; i <= MAX_MOTORS; ++i) copy->setSlotAxis(slot, i, slotAxis(slot, i));
    if (!onlyAxisValue) {
        copy->setCornerAngle(slot, cornerAngle(slot));
        copy->setLengthFromStart(slot, lengthFromStart(slot));
        copy->setName(name());
    }
    return copy;
}

bool Node::equals(const Node& anotherNode) const {
    return world_ == anotherNode.world_;
}

}  // namespace vek
