#pragma once
#include <memory>

#include "vek/motion/IMotion.h"

namespace vek {

// Coordinated motion on the simulated chain: instead of feeding the engine's
// host-mode buffer it sets each simulated axis's position point by point and
// waits one trajectory step between points, so the axes follow the path at
// its real speed (in virtual time under a manual clock).
class MotionSimulation : public IMotion {
public:
    MotionSimulation();
    ~MotionSimulation() override;
    MotionSimulation(const MotionSimulation&) = delete;
    MotionSimulation& operator=(const MotionSimulation&) = delete;

    void runPath(NodePath& nodePath, const TimeArray& time, double eventTriggerPercentage = 0.0) override;
    void endHostMode() override;

    // Library-internal.
    void startHostMode(int16_t axisCount);

private:
    void streamPoints(NodePath& nodePath, const TimeArray& time, const MotorCollection& motors, int16_t axisCount,
                      int32_t triggerIndex);
};

}  // namespace vek
