#include "vek/geometry/Point.h"

#include "vek/foundation/Convert.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/NumberedError.h"
#include "vek/geometry/Node.h"

namespace vek {

namespace {
std::size_t checkedAxis(int16_t axis) {
    if (axis < 1 || axis > MAX_MOTORS) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
    return static_cast<std::size_t>(axis - 1);
}
}  // namespace

const std::string& Point::name() const {
    return node_ ? node_->name() : name_;
}

void Point::refuseWhenBacked() const {
    if (node_) raiseInvalidArgument("Can't modify the point " + name() + " from program.");
}

void Point::setName(const std::string& value) {
    refuseWhenBacked();
    name_ = value;
}

double Point::coordinate(int16_t axis) const {
    const std::size_t i = checkedAxis(axis);
    return node_ ? userFromMotor(axis, node_->axis(axis)) : values_[i];
}

void Point::setCoordinate(int16_t axis, double value) {
    const std::size_t i = checkedAxis(axis);
    refuseWhenBacked();
    values_[i] = value;
}

void Point::setNode(std::shared_ptr<Node> node) {
    node_ = std::move(node);
}

std::shared_ptr<Node> Point::getNode() const {
    if (node_) return node_;
    auto node = std::make_shared<Node>();
    for (int16_t i = 1; i <= MAX_MOTORS; ++i)
        node->setAxis(i, toInt32(motorFromUser(i, values_[static_cast<std::size_t>(i - 1)])));
    node->setName(name_);
    return node;
}

// UNFINISHED: these two must call Measurement.getPosition (smu <-> the
// configured Configuration.unit) with the pitch and motor type of the axis's
// slide record (Configuration.motorsData(axis).slideData). Measurement and
// Configuration are being built on other branches; until they are merged,
// points are taken to be in motor units and pass unchanged.
double Point::userFromMotor(int16_t /*axis*/, double counts) {
    return counts;
}
double Point::motorFromUser(int16_t /*axis*/, double value) {
    return value;
}

}  // namespace vek
