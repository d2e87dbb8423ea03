#include "vek/motion/IMotion.h"

#include <cmath>

#include "vek/foundation/EventLoop.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/Wait.h"
#include "vek/motors/IMotor.h"
#include "vek/motors/MotorConstants.h"

namespace vek {

bool IMotion::dravosAtEnd(const MotorCollection& axes) {
    bool dravoSeen = false;
    for (const auto& motor : axes) {
        if (isDravoFamily(motor->motorType())) {
            dravoSeen = true;
        } else if (dravoSeen) {
            return false;
        }
    }
    return true;
}

bool IMotion::canRun(const NodePath& nodePath, const MotorCollection& axes) {
    if (!dravosAtEnd(axes)) {
        logAt(LogLevel::Error, "For coordinated motion all Dravos must be connected at the end of the daisy chain.");
        return false;
    }
    if (nodePath.size() < 2) {
        logAt(LogLevel::Error,
              "Path doesn't have sufficient (>=2) node values. Check that the speed is greater than zero.");
        return false;
    }
    return true;
}

int16_t IMotion::dravoCount(const MotorCollection& axes) {
    int16_t count = 0;
    for (const auto& motor : axes)
        if (isDravoFamily(motor->motorType())) ++count;
    return count;
}

int16_t IMotion::coordinatedAxisCount(const MotorCollection& axes) {
    return static_cast<int16_t>(static_cast<int16_t>(axes.count()) - dravoCount(axes));
}

int32_t IMotion::triggerIndex(double eventTriggerPercentage, int32_t n) {
    // nearbyint rounds halves to even under the default rounding mode.
    return static_cast<int32_t>(std::nearbyint(eventTriggerPercentage / 100.0 * n));
}

void IMotion::waitWhilePaused(const MotionFlags& flags) {
    while (flags.isPaused) {
        eventLoop().processPendingEvents();
        wait(0.1);
    }
}

}  // namespace vek
