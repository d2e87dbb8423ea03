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
        } catch (const std::exception& e) {
            // Host mode stays as it is (the façade returns the chain to 9600),
            // but a simulated run must not leave its sound looping.
            if (!context_.flags->isSimulationMute) stopMotionSound();
            throw interrupted(e);
        }
    }
    logAt(LogLevel::DEVELOPER, "Runpath done");
}

void MotionSimulation::streamPoints(NodePath& nodePath, const TimeArray& time, const MotorCollection& motors,
                                    int16_t axisCount, int32_t triggerIndex) {
    // Own references: a host handler running between points may close the
    // connection.
    std::vector<std::shared_ptr<MotorSimulation>> axes;
    for (int16_t i = 1; i <= axisCount; ++i) {
        auto sim = std::dynamic_pointer_cast<MotorSimulation>(motors.item(i));
        if (!sim) throw NumberedError(ErrorCodes::MOTION_INTERRUPTED, "Axis " + toText(i) + " is not simulated");
        axes.push_back(std::move(sim));
    }
    const double step = nodePath.TIMEDELTASECONDS();
    PointSink sink;
    sink.writePosition = [&](int16_t i, int32_t value) {
        axes[static_cast<std::size_t>(i - 1)]->setRealTimePosition(value);
    };
    sink.afterAxes = [step] { wait(step); };
    playPoints(nodePath, time, axisCount, triggerIndex, *context_.flags, sink);
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
