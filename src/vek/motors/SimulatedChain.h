#pragma once
#include <memory>
#include <string>

#include "vek/comm/ISimulatedChain.h"
#include "vek/motors/MotorContext.h"

namespace vek {

class Configuration;
class IMotor;

// The simulated axes as the simulated channel drives them: each motor
// command text the channel receives becomes a call on the matching axis
// through IMotor, so the chain needs no simulated-motor type. The façade
// makes one over its axes and configuration when it opens the simulated
// chain.
class SimulatedChain : public ISimulatedChain {
public:
    // `axes` is not owned (the axes' motors hold the channel that holds the
    // chain); `configuration` says how many axes the simulation has.
    SimulatedChain(std::weak_ptr<const MotorCollection> axes, std::shared_ptr<Configuration> configuration);

    // "softwareMotors" of the configuration; 0 without one.
    int16_t configuredAxes() override;
    std::size_t axisCount() override;
    std::string execute(std::size_t number, const std::string& command) override;

    // Runs one motor command on `motor`; the answer, empty when none.
    // Commands the simulation does not know are logged and ignored.
    static std::string execute(IMotor& motor, const std::string& command);

private:
    std::weak_ptr<const MotorCollection> axes_;
    std::shared_ptr<Configuration> configuration_;
};

}  // namespace vek
