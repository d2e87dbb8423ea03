#include "vek/motors/MotorContext.h"

#include "vek/motors/IMotor.h"

namespace vek {

bool AxisGroup::all(bool (IMotor::*query)()) const {
    if (const auto axes = axes_.lock())
        for (const auto& motor : *axes)
            if (!((*motor).*query)()) return false;
    return true;
}

bool AxisGroup::any(bool (IMotor::*query)()) const {
    if (const auto axes = axes_.lock())
        for (const auto& motor : *axes)
            if (((*motor).*query)()) return true;
    return false;
}

void AxisGroup::each(const std::function<void(IMotor&)>& action) const {
    if (const auto axes = axes_.lock())
        for (const auto& motor : *axes) action(*motor);
}

}  // namespace vek
