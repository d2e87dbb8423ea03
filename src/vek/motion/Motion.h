#pragma once
#include <memory>

#include "vek/motion/IMotion.h"

namespace vek {

// Coordinated motion on the serial chain. Host-mode streaming is not built
// yet: runPath refuses every path with error 8 after the shared checks,
// sending nothing, so that single-axis work on the real chain goes on while
// the streaming side is written.
class Motion : public IMotion {
public:
    Motion();
    ~Motion() override;
    Motion(const Motion&) = delete;
    Motion& operator=(const Motion&) = delete;

    void init(std::shared_ptr<ICommunication> comm, const MotionContext& context = {}) override;
    std::shared_ptr<PathEngine> getObject() override { return pathEngine_; }
    void runPath(NodePath& nodePath, const TimeArray& time, double eventTriggerPercentage = 0.0) override;
    // Puts the chain back at 9600 baud.
    void endHostMode() override;

private:
    std::shared_ptr<ICommunication> comm_;
    std::shared_ptr<PathEngine> pathEngine_;
    MotionContext context_;
};

}  // namespace vek
