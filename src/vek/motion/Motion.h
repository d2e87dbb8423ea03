#pragma once
#include <memory>

#include "vek/comm/engine/MotorEngine.h"
#include "vek/motion/IMotion.h"

namespace vek {

// Coordinated motion on the serial chain: the trajectory is streamed point
// by point into the motors' buffers in the engine's host mode (PROTOCOL.md,
// "Host-mode streaming") at the façade's coordinated-motion rate; the
// motors' buffers and the line pace the stream.
class Motion : public IMotion {
public:
    Motion();
    ~Motion() override;
    Motion(const Motion&) = delete;
    Motion& operator=(const Motion&) = delete;

    void runPath(NodePath& nodePath, const TimeArray& time, double eventTriggerPercentage = 0.0) override;
    // Lets the motors play what they hold, leaves host mode and puts the
    // chain back at 9600 baud; a stream that ran dry is error 8.
    void endHostMode() override;

    // Library-internal.
    void startHostMode(int16_t axisCount);
};

}  // namespace vek
