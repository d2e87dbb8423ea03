#include "vek/geometry/Point.h"

#include "vek/foundation/Convert.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/NotGiven.h"
#include "vek/foundation/NumberedError.h"
#include "vek/geometry/Node.h"
#include "vek/motion/Runtime.h"
#include "vek/motors/Measurement.h"
#include "vek/motors/Units.h"
#include "vek/persistence/Configuration.h"
#include "vek/persistence/MotorData.h"
#include "vek/persistence/SlideData.h"

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

// Points speak the configured user unit; nodes speak encoder counts. Each
// axis converts with the pitch and motor type of its slide record. Without a
// configuration (no database opened yet) the user unit is the motor unit.
namespace {
double convertAxis(int16_t axis, double value, bool toUser) {
    const Runtime& rt = runtime();
    if (!rt.configuration || !rt.measurement) return value;
    int16_t unit = rt.configuration->unit();
    int16_t smu = Units::smu;
    double pitch = 0;
    int16_t motorType = NOT_GIVEN;
    const auto motors = rt.configuration->motorsData();
    if (motors && static_cast<std::size_t>(axis) <= motors->count()) {
        if (const auto slide = motors->item(static_cast<std::size_t>(axis))->SlideData()) {
            pitch = slide->pitch();
            motorType = slide->motorType();
        }
    }
    return toUser ? rt.measurement->getPosition(smu, unit, value, pitch, motorType)
                  : rt.measurement->getPosition(unit, smu, value, pitch, motorType);
}
}  // namespace

double Point::userFromMotor(int16_t axis, double counts) {
    return convertAxis(axis, counts, true);
}
double Point::motorFromUser(int16_t axis, double value) {
    return convertAxis(axis, value, false);
}

}  // namespace vek
