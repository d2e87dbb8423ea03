#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "vek/foundation/Event.h"
#include "vek/foundation/NumberedError.h"
#include "vek/geometry/NodePath.h"
#include "vek/motors/MotorContext.h"

namespace vek {

class ICommunication;
class IMotor;
class MotorEngine;
class PathEngine;

// What coordinated motion is handed by the façade that makes it: the axes it
// drives, the all-motors object and the shared motion flags. The axes and
// the all-motors object are not owned (the façade replaces them when it
// reopens the chain).
struct MotionContext {
    std::weak_ptr<const MotorCollection> axes;
    std::weak_ptr<IMotor> allMotors;
    std::shared_ptr<MotionFlags> flags;
    // The rate the chain streams at (the façade's coordinated-motion rate);
    // 38400 when not given.
    std::function<int32_t()> coordinatedBaudRate;
};

// Where the shared point loop puts each point: the axes' positions, then
// what follows a point (the simulation waits a time step), then the time of
// the first two points.
struct PointSink {
    std::function<void(int16_t axis, int32_t value)> writePosition;
    std::function<void()> afterAxes;
    std::function<void(int32_t j, int32_t time)> writeTime;
    // A stop requested by the host ends the run (with error 8).
    bool endOnStop = false;
};

// Coordinated motion of the leading SmartMotor-family axes along a generated
// trajectory: streamed to the chain in host mode (Motion) or played on the
// simulated axes (MotionSimulation). Both refuse the same paths, pause the
// same way and raise motionEvent at the same point, so those rules live here.
class IMotion {
public:
    virtual ~IMotion() = default;

    // Takes the channel and its engine, and what the façade hands over
    // (fresh motion flags when none are given).
    virtual void init(std::shared_ptr<ICommunication> comm, const MotionContext& context = {});
    // The engine's path side (null when the channel has no engine).
    virtual std::shared_ptr<PathEngine> getObject();
    // Runs the trajectory points of `nodePath` (motor units, current
    // coordinate system); `time` holds their step times as generated.
    // Failures end the run with MOTION_INTERRUPTED "RunPath Error->...".
    virtual void runPath(NodePath& nodePath, const TimeArray& time, double eventTriggerPercentage = 0.0) = 0;
    virtual void endHostMode() = 0;

    // Raised once, after the point at the requested percentage of the path;
    // the argument is the path's name.
    Event<std::string> motionEvent;

    // --- library-internal: the rules both implementations share ---

    // False when a Dravo-family motor stands in front of a SmartMotor-family
    // one: coordinated motion drives only the leading SmartMotor axes.
    static bool dravosAtEnd(const MotorCollection& axes);
    // Logs why `nodePath` cannot run on `axes` (Dravo order, fewer than two
    // points) and answers whether it can.
    static bool canRun(const NodePath& nodePath, const MotorCollection& axes);
    // Axes driven together: all of them less the Dravo-family ones.
    static int16_t coordinatedAxisCount(const MotorCollection& axes);
    // Number of Dravo-family axes.
    static int16_t dravoCount(const MotorCollection& axes);
    // The point (1..n) after which motionEvent is raised: the percentage of
    // n, halves to even; 0 (never) for 0 percent.
    static int32_t triggerIndex(double eventTriggerPercentage, int32_t n);
    // Holds the caller while the host keeps motion paused, servicing events.
    static void waitWhilePaused(const MotionFlags& flags);
    // The point loop: for each point its axes 1..axisCount (logged at level
    // 6), then the time of points 1 and 2, then pending host events; while
    // paused from point 3 on the same point again; after point
    // `triggerIndex` motionEvent.
    void playPoints(NodePath& nodePath, const TimeArray& time, int16_t axisCount, int32_t triggerIndex,
                    const MotionFlags& flags, const PointSink& sink);
    // Error 8 "RunPath Error->" + the failure's text, keeping its source and help.
    static NumberedError interrupted(const std::exception& failure);

protected:
    void resetAllMotors();

    std::shared_ptr<ICommunication> comm_;
    std::shared_ptr<MotorEngine> engine_;
    MotionContext context_;
};

}  // namespace vek
