#include "vek/motion/Motion.h"

#include "vek/comm/ICommunication.h"
#include "vek/comm/engine/MotorEngine.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NumberedError.h"

namespace vek {

Motion::Motion() {
    logAt(LogLevel::DEVELOPER, "Initializing vek.Motion");
}

Motion::~Motion() {
    logAt(LogLevel::DEVELOPER, "Terminating vek.Motion");
}

void Motion::init(std::shared_ptr<ICommunication> comm, const MotionContext& context) {
    comm_ = std::move(comm);
    pathEngine_ = comm_ ? comm_->getObject() : nullptr;
    context_ = context;
}

void Motion::runPath(NodePath& nodePath, const TimeArray& /*time*/, double /*eventTriggerPercentage*/) {
    const auto motors = context_.axes.lock();
    if (!motors) throw NumberedError(ErrorCodes::NO_MOTORS_DETECTED, "No connection is open.");
    if (!canRun(nodePath, *motors)) return;
    // TODO(streaming): host mode on the serial chain.
    throw NumberedError(ErrorCodes::MOTION_INTERRUPTED,
                        "RunPath Error->Coordinated motion on the serial chain is not built yet: host-mode streaming "
                        "is missing. Move single axes, or switch simulation on to draw paths.");
}

void Motion::endHostMode() {
    if (comm_ && comm_->isOpen()) comm_->setBaudRate(9600);
}

}  // namespace vek
