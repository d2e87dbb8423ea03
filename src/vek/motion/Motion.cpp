#include "vek/motion/Motion.h"

#include "vek/comm/ICommunication.h"
#include "vek/foundation/Convert.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/EventLoop.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NumberedError.h"
#include "vek/motors/IMotor.h"

namespace vek {

Motion::Motion() {
    logAt(LogLevel::DEVELOPER, "Initializing vek.Motion");
}

Motion::~Motion() {
    logAt(LogLevel::DEVELOPER, "Terminating vek.Motion");
}

void Motion::startHostMode(int16_t axisCount) {
    comm_->setBaudRate(context_.coordinatedBaudRate ? context_.coordinatedBaudRate() : 38400);
    engine_->beginHostMode(axisCount);
    resetAllMotors();
    comm_->clearBuffer();
    context_.flags->stopRequested = false;
}

void Motion::runPath(NodePath& nodePath, const TimeArray& time, double eventTriggerPercentage) {
    // Own references: a host handler running between points may close the
    // connection.
    const auto motors = context_.axes.lock();
    const auto comm = comm_;
    const auto engine = engine_;
    if (!motors || !comm || !engine) throw NumberedError(ErrorCodes::NO_MOTORS_DETECTED, "No connection is open.");
    if (canRun(nodePath, *motors)) {
        const int32_t n = nodePath.size();
        const int16_t axisCount = coordinatedAxisCount(*motors);
        const int32_t trigger = triggerIndex(eventTriggerPercentage, n);
        waitWhilePaused(*context_.flags);
        try {
            startHostMode(axisCount);
            PointSink sink;
            sink.writePosition = [&](int16_t i, int32_t value) { engine->writePosition(i, value); };
            sink.writeTime = [&](int32_t, int32_t t) { engine->writeTime(0, t); };
            sink.endOnStop = true;
            playPoints(nodePath, time, axisCount, trigger, *context_.flags, sink);
            const auto count = static_cast<int32_t>(nodePath.nodes()->count());
            if (count < engine->startThreshold()) {
                logAt(LogLevel::DEVELOPER, "Sending explicity run command since path.nodes.count = " + toText(count) +
                                               " < than " + toText(engine->startThreshold()));
                engine->runHostMode();
            }
            endHostMode();
            logAt(LogLevel::DEVELOPER, "Hostmode ended");
        } catch (const std::exception& e) {
            // Host mode stays as it is: the façade returns the chain to 9600.
            throw interrupted(e);
        }
    }
    logAt(LogLevel::DEVELOPER, "Runpath done");
}

void Motion::endHostMode() {
    if (!comm_ || !engine_) return;
    logAt(LogLevel::DEVELOPER, "Ending hostmode");
    const int32_t underruns = engine_->endHostMode();
    logAt(LogLevel::DEVELOPER, "Changing baudrate back to 9600");
    comm_->setBaudRate(9600);
    logAt(LogLevel::DEVELOPER, "Reseting all motors");
    resetAllMotors();
    logAt(LogLevel::DEVELOPER, "Clearing buffer");
    comm_->clearBuffer();
    if (underruns > 0) {
        throw NumberedError(ErrorCodes::MOTION_INTERRUPTED,
                            "The motors ran out of points " + toText(underruns) +
                                " times: the stream did not keep their buffers filled (buffer underrun).");
    }
}

}  // namespace vek
