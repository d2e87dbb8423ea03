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
    return node_ ? convert(axis, node_->axis(axis), true) : values_[i];
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
        node->setAxis(i, toInt32(convert(i, values_[static_cast<std::size_t>(i - 1)], false)));
    node->setName(name_);
    return node;
}

namespace {
// Never destroyed: points released at process exit may still convert.
Point::UnitConversion& unitConversion() {
    static auto* conversion = new Point::UnitConversion();
    return *conversion;
}
}  // namespace

void Point::setUnitConversion(UnitConversion conversion) {
    unitConversion() = std::move(conversion);
}

double Point::convert(int16_t axis, double value, bool toUser) {
    const auto& conversion = unitConversion();
    return conversion ? conversion(axis, value, toUser) : value;
}

}  // namespace vek
