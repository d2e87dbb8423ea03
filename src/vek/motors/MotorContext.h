#pragma once
#include <functional>
#include <memory>
#include <string>

#include "vek/foundation/Collection.h"

namespace vek {

class Configuration;
class IMotor;

// The façade's axes in axis order, keyed by their number.
using MotorCollection = Collection<std::shared_ptr<IMotor>>;

// The flags that the host's handlers set while a wait or a stream runs, and
// that motors and coordinated motion poll: one set per façade, shared with
// every motor it makes.
struct MotionFlags {
    bool stopRequested = false;
    bool isPaused = false;
    bool isSimulationMute = false;
};

// What a motor is handed by the façade that makes it. A motor made without
// one has no configuration, no axes to answer for and flags of its own.
struct MotorContext {
    // The name the motor starts with; empty for "Motor" + its number.
    std::string name;
    // The loaded configuration: the motor's axis record (slide, homing
    // offsets) and, for simulated motors, their homed flag and inputs.
    std::shared_ptr<Configuration> configuration;
    // The façade's axes: what the all-motors object (number 0) answers for,
    // and the peers whose outputs simulated inputs may follow. Not owned:
    // the collection holds the motors.
    std::weak_ptr<const MotorCollection> axes;
    std::shared_ptr<MotionFlags> flags;
};

// The axes an all-motors object answers for, asked one by one in order.
class AxisGroup {
public:
    AxisGroup() = default;
    explicit AxisGroup(std::weak_ptr<const MotorCollection> axes) : axes_(std::move(axes)) {}

    // Whether every axis answers true (true when there are none).
    bool all(bool (IMotor::*query)()) const;
    // Whether any axis answers true.
    bool any(bool (IMotor::*query)()) const;
    void each(const std::function<void(IMotor&)>& action) const;
    // The axes themselves; null when the façade has let them go.
    std::shared_ptr<const MotorCollection> axes() const { return axes_.lock(); }

private:
    std::weak_ptr<const MotorCollection> axes_;
};

}  // namespace vek
