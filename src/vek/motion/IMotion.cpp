#include "vek/motion/IMotion.h"

#include <cmath>

#include "vek/foundation/EventLoop.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/Wait.h"
#include "vek/motion/LinearSlides.h"
#include "vek/motion/Runtime.h"
#include "vek/motors/IMotor.h"
#include "vek/motors/MotorConstants.h"

namespace vek {

namespace {

bool isDravoFamily(int16_t type) {
    return (type & (MotorConstants::TYPE_JP | MotorConstants::TYPE_WX)) != 0;
}

}  // namespace

bool IMotion::dravosAtEnd() {
    auto slides = runtime().linearSlides;
    if (!slides) return true;
    bool dravoSeen = false;
    for (auto& motor : *slides->motors()) {
        const bool dravo = isDravoFamily(motor->motorType());
        if (dravo) {
            dravoSeen = true;
        } else if (dravoSeen) {
            return false;
        }
    }
    return true;
}

bool IMotion::canRun(const NodePath& nodePath) {
    if (!dravosAtEnd()) {
        logMessage("For coordinated motion all Dravos must be connected at the end of the daisy chain.",
                   LogLevel::Error);
        return false;
    }
    if (nodePath.size() < 2) {
        logMessage("Path doesn't have sufficient (>=2) node values. Check that the speed is greater than zero.",
                   LogLevel::Error);
        return false;
    }
    return true;
}

int16_t IMotion::coordinatedAxisCount() {
    auto slides = runtime().linearSlides;
    if (!slides) return 0;
    return static_cast<int16_t>(slides->motors()->count() - slides->getGZPresent());
}

int32_t IMotion::triggerIndex(double eventTriggerPercentage, int32_t n) {
    // nearbyint rounds halves to even under the default rounding mode.
    return static_cast<int32_t>(std::nearbyint(eventTriggerPercentage / 100.0 * n));
}

void IMotion::waitWhilePaused() {
    while (runtime().isPaused) {
        eventLoop().processPendingEvents();
        wait(0.1);
    }
}

}  // namespace vek
