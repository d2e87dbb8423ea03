#include "vek/motion/IMotion.h"

#include <cmath>

#include "vek/comm/ICommunication.h"
#include "vek/comm/engine/MotorEngine.h"
#include "vek/foundation/Convert.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/EventLoop.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/Wait.h"
#include "vek/motors/IMotor.h"
#include "vek/motors/MotorConstants.h"

namespace vek {

void IMotion::init(std::shared_ptr<ICommunication> comm, const MotionContext& context) {
    comm_ = std::move(comm);
    engine_ = comm_ ? comm_->getObject() : nullptr;
    context_ = context;
    if (!context_.flags) context_.flags = std::make_shared<MotionFlags>();
}

std::shared_ptr<PathEngine> IMotion::getObject() {
    return engine_;
}

void IMotion::resetAllMotors() {
    if (auto all = context_.allMotors.lock()) all->Reset();
}

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

void IMotion::playPoints(NodePath& nodePath, const TimeArray& time, int16_t axisCount, int32_t triggerIndex,
                         const MotionFlags& flags, const PointSink& sink) {
    const bool developer = logs(LogLevel::DEVELOPER);
    // Own reference: a host handler running between points may start
    // generating another trajectory.
    const auto trajectory = nodePath.nodes();
    const auto& nodes = *trajectory;
    const int32_t n = static_cast<int32_t>(nodes.count());
    for (int32_t j = 1; j <= n; ++j) {
        const auto p = nodes.item(j);
        for (;;) {
            for (int16_t i = 1; i <= axisCount; ++i) {
                const int32_t value = p->systemAxis(i);
                if (developer) {
                    logAt(LogLevel::DEVELOPER, "Writing position j = " + toText(i) + " val = " + toText(value));
                }
                sink.writePosition(i, value);
            }
            if (sink.afterAxes) sink.afterAxes();
            if (j < 3) {
                const int32_t t = static_cast<std::size_t>(j) < time.size() ? time[static_cast<std::size_t>(j)] : 0;
                if (sink.writeTime) sink.writeTime(j, t);
                if (developer) logAt(LogLevel::DEVELOPER, "Wrote Time " + toText(j) + " = " + toText(t));
            }
            eventLoop().processPendingEvents();
            if (sink.endOnStop && flags.stopRequested) {
                throw NumberedError(ErrorCodes::MOTION_INTERRUPTED,
                                    "Motion stopped at point " + toText(j) + " of " + toText(n));
            }
            // While paused the axes keep receiving the same point and hold still.
            if (!(flags.isPaused && j >= 3)) break;
        }
        if (j == triggerIndex) {
            if (developer) {
                logAt(LogLevel::DEVELOPER,
                      "Raising event from motion class for " + toText(j) + "/" + toText(n) + " at -> " + p->toString());
            }
            std::string name = nodePath.name();
            motionEvent.raise(name);
        }
    }
}

NumberedError IMotion::interrupted(const std::exception& failure) {
    if (const auto* e = dynamic_cast<const NumberedError*>(&failure)) {
        return NumberedError(ErrorCodes::MOTION_INTERRUPTED, "RunPath Error->" + e->description(), e->source(),
                             e->helpFile(), e->helpContext());
    }
    return NumberedError(ErrorCodes::MOTION_INTERRUPTED, std::string("RunPath Error->") + failure.what());
}

}  // namespace vek
