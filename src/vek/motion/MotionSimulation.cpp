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
#include "vek/motors/MotorConstants.h"
#include "vek/motors/MotorSimulation.h"

namespace vek {

MotionSimulation::MotionSimulation() {
    logAt(LogLevel::DEVELOPER, "Initializing vek.Motion");
}

MotionSimulation::~MotionSimulation() {
    logAt(LogLevel::DEVELOPER, "Terminating vek.Motion");
}

void MotionSimulation::init(std::shared_ptr<ICommunication> comm, const MotionContext& context) {
    comm_ = std::move(comm);
    pathEngine_ = comm_ ? comm_->getObject() : nullptr;
    context_ = context;
    if (!context_.flags) context_.flags = std::make_shared<MotionFlags>();
}

void MotionSimulation::resetAllMotors() {
    if (auto all = context_.allMotors.lock()) all->Reset();
}

void MotionSimulation::startHostMode(int16_t /*axisCount*/) {
    // The simulated chain always streams at 38400, whatever the façade's
    // coordinated-motion rate says.
    comm_->setBaudRate(38400);
    resetAllMotors();
    comm_->clearBuffer();
    if (!context_.flags->isSimulationMute) startMotionSound();
    context_.flags->stopRequested = false;
}

void MotionSimulation::runPath(NodePath& nodePath, const TimeArray& time, double eventTriggerPercentage) {
    // Own reference: a host handler running between points may close the
    // connection.
    const auto motors = context_.axes.lock();
    if (!motors) throw NumberedError(ErrorCodes::NO_MOTORS_DETECTED, "No connection is open.");
    if (canRun(nodePath, *motors)) {
        const int32_t n = nodePath.size();
        const int16_t axisCount = coordinatedAxisCount(*motors);
        const int32_t trigger = triggerIndex(eventTriggerPercentage, n);
        waitWhilePaused(*context_.flags);
        try {
            eventLoop().processPendingEvents();
            const double start = eventLoop().now();
            startHostMode(axisCount);
            streamPoints(nodePath, time, *motors, axisCount, trigger);
            logAt(LogLevel::DEVELOPER,
                  ":::::Time taken to loop runPath = " + toText(static_cast<float>(eventLoop().now() - start)));
            endHostMode();
            logAt(LogLevel::DEVELOPER, "Hostmode ended");
        } catch (const NumberedError& e) {
            // Host mode stays as it is (the façade returns the chain to 9600),
            // but a simulated run must not leave its sound looping.
            if (!context_.flags->isSimulationMute) stopMotionSound();
            throw NumberedError(ErrorCodes::MOTION_INTERRUPTED, "RunPath Error->" + e.description(), e.source(),
                                e.helpFile(), e.helpContext());
        } catch (const std::exception& e) {
            if (!context_.flags->isSimulationMute) stopMotionSound();
            throw NumberedError(ErrorCodes::MOTION_INTERRUPTED, std::string("RunPath Error->") + e.what());
        }
    }
    logAt(LogLevel::DEVELOPER, "Runpath done");
}

void MotionSimulation::streamPoints(NodePath& nodePath, const TimeArray& time, const MotorCollection& motors,
                                    int16_t axisCount, int32_t triggerIndex) {
    // Own references: a host handler running between points may close the
    // connection or start generating another trajectory.
    std::vector<std::shared_ptr<MotorSimulation>> axes;
    for (int16_t i = 1; i <= axisCount; ++i) {
        auto sim = std::dynamic_pointer_cast<MotorSimulation>(motors.item(i));
        if (!sim) throw NumberedError(ErrorCodes::MOTION_INTERRUPTED, "Axis " + toText(i) + " is not simulated");
        axes.push_back(std::move(sim));
    }
    const double step = nodePath.TIMEDELTASECONDS();
    const bool developer = logs(LogLevel::DEVELOPER);
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
                axes[static_cast<std::size_t>(i - 1)]->setRealTimePosition(value);
            }
            wait(step);
            if (j < 3 && developer) {
                const int32_t t = static_cast<std::size_t>(j) < time.size() ? time[static_cast<std::size_t>(j)] : 0;
                logAt(LogLevel::DEVELOPER, "Wrote Time " + toText(j) + " = " + toText(t));
            }
            eventLoop().processPendingEvents();
            // While paused the axes keep receiving the same point and hold still.
            if (!(context_.flags->isPaused && j >= 3)) break;
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

void MotionSimulation::endHostMode() {
    if (!context_.flags->isSimulationMute) stopMotionSound();
    if (const auto motors = context_.axes.lock()) {
        if (dravoCount(*motors) == 0) {
            // As the façade's stopMotors does: the request stays raised until
            // the next run starts.
            context_.flags->stopRequested = true;
            if (auto all = context_.allMotors.lock()) all->StopMotion(false);
        } else {
            for (const auto& motor : *motors)
                if (motor->motorType() & MotorConstants::TYPE_SM) motor->StopMotion(false);
        }
    }
    comm_->setBaudRate(9600);
    resetAllMotors();
    comm_->clearBuffer();
}

}  // namespace vek
