#include "vek/motion/MotionSimulation.h"

#include "vek/comm/ICommunication.h"
#include "vek/comm/engine/MotorEngine.h"
#include "vek/foundation/Convert.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/EventLoop.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/MotionSound.h"
#include "vek/foundation/NumberedError.h"
#include "vek/foundation/Wait.h"
#include "vek/motion/LinearSlides.h"
#include "vek/motion/Runtime.h"
#include "vek/motors/MotorConstants.h"
#include "vek/motors/MotorSimulation.h"

namespace vek {

MotionSimulation::MotionSimulation() {
    logMessage("Initializing vek.Motion", LogLevel::DEVELOPER);
}

MotionSimulation::~MotionSimulation() {
    logMessage("Terminating vek.Motion", LogLevel::DEVELOPER);
}

void MotionSimulation::init(std::shared_ptr<ICommunication> comm) {
    comm_ = std::move(comm);
    auto engine = comm_ ? comm_->getObject() : nullptr;
    pathEngine_ = engine;
}

void MotionSimulation::startHostMode(int16_t /*axisCount*/) {
    // The simulated chain always streams at 38400, whatever the façade's
    // coordinated-motion rate says.
    comm_->setBaudRate(38400);
    if (auto all = runtime().linearSlides ? runtime().linearSlides->AllMotors() : nullptr) all->Reset();
    comm_->clearBuffer();
    if (!runtime().isSimulationMute) startMotionSound();
    runtime().stopRequested = false;
}

void MotionSimulation::runPath(NodePath& nodePath, const TimeArray& time, double eventTriggerPercentage) {
    if (canRun(nodePath)) {
        const int32_t n = nodePath.size();
        const int16_t axisCount = coordinatedAxisCount();
        const int32_t trigger = triggerIndex(eventTriggerPercentage, n);
        waitWhilePaused();
        try {
            eventLoop().processPendingEvents();
            const double start = eventLoop().now();
            startHostMode(axisCount);
            streamPoints(nodePath, time, axisCount, trigger);
            logMessage(":::::Time taken to loop runPath = " + toText(static_cast<float>(eventLoop().now() - start)),
                       LogLevel::DEVELOPER);
            endHostMode();
            logMessage("Hostmode ended", LogLevel::DEVELOPER);
        } catch (const NumberedError& e) {
            // Host mode stays as it is (the façade returns the chain to 9600),
            // but a simulated run must not leave its sound looping.
            if (!runtime().isSimulationMute) stopMotionSound();
            throw NumberedError(ErrorCodes::MOTION_INTERRUPTED, "RunPath Error->" + e.description(), e.source(),
                                e.helpFile(), e.helpContext());
        } catch (const std::exception& e) {
            if (!runtime().isSimulationMute) stopMotionSound();
            throw NumberedError(ErrorCodes::MOTION_INTERRUPTED, std::string("RunPath Error->") + e.what());
        }
    }
    logMessage("Runpath done", LogLevel::DEVELOPER);
}

void MotionSimulation::streamPoints(NodePath& nodePath, const TimeArray& time, int16_t axisCount,
                                    int32_t triggerIndex) {
    auto slides = runtime().linearSlides;
    auto motors = slides->motors();
    // Own references: a host handler running between points may close the
    // connection or start generating another trajectory.
    std::vector<std::shared_ptr<MotorSimulation>> axes;
    for (int16_t i = 1; i <= axisCount; ++i) {
        auto sim = std::dynamic_pointer_cast<MotorSimulation>(motors->item(i));
        if (!sim) throw NumberedError(ErrorCodes::MOTION_INTERRUPTED, "Axis " + toText(i) + " is not simulated");
        axes.push_back(std::move(sim));
    }
    const double step = slides->getPath() ? slides->getPath()->TIMEDELTASECONDS() : nodePath.TIMEDELTASECONDS();
    const bool developer = doLogMessage(LogLevel::DEVELOPER);
    const auto trajectory = nodePath.nodes();
    const auto& nodes = *trajectory;
    const int32_t n = static_cast<int32_t>(nodes.count());
    for (int32_t j = 1; j <= n; ++j) {
        const auto p = nodes.item(j);
        for (;;) {
            for (int16_t i = 1; i <= axisCount; ++i) {
                const int32_t value = p->systemAxis(i);
                if (developer) {
                    logMessage("Writing position j = " + toText(i) + " val = " + toText(value), LogLevel::DEVELOPER);
                }
                axes[static_cast<std::size_t>(i - 1)]->setRealTimePosition(value);
            }
            wait(step);
            if (j < 3 && developer) {
                const int32_t t = static_cast<std::size_t>(j) < time.size() ? time[static_cast<std::size_t>(j)] : 0;
                logMessage("Wrote Time " + toText(j) + " = " + toText(t), LogLevel::DEVELOPER);
            }
            eventLoop().processPendingEvents();
            // While paused the axes keep receiving the same point and hold still.
            if (!(runtime().isPaused && j >= 3)) break;
        }
        if (j == triggerIndex) {
            if (developer) {
                logMessage(
                    "Raising event from motion class for " + toText(j) + "/" + toText(n) + " at -> " + p->toString(),
                    LogLevel::DEVELOPER);
            }
            std::string name = nodePath.name();
            motionEvent.raise(name);
        }
    }
}

void MotionSimulation::endHostMode() {
    if (!runtime().isSimulationMute) stopMotionSound();
    auto slides = runtime().linearSlides;
    if (slides) {
        if (slides->getGZPresent() == 0) {
            slides->stopMotors(false);
        } else {
            for (auto& motor : *slides->motors()) {
                if (motor->motorType() & MotorConstants::TYPE_SM) motor->StopMotion(false);
            }
        }
    }
    comm_->setBaudRate(9600);
    if (auto all = slides ? slides->AllMotors() : nullptr) all->Reset();
    comm_->clearBuffer();
}

}  // namespace vek
