#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace vek {

// What the simulated channel drives: the simulated axes, provided by the
// layer that makes them (the motors) to the channel it hands them to. The
// channel frames and queues; the chain runs each motor command on an axis.
class ISimulatedChain {
public:
    virtual ~ISimulatedChain() = default;

    // The axes the simulation is configured to have: what addressing finds.
    virtual int16_t configuredAxes() = 0;
    // The axes present now, numbered 1..axisCount().
    virtual std::size_t axisCount() = 0;
    // Runs motor command `command` (without its number) on axis `number`
    // (1..axisCount()); the answer, empty when there is none.
    virtual std::string execute(std::size_t number, const std::string& command) = 0;
};

}  // namespace vek
