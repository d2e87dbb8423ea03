#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "vek/motors/MotorContext.h"

namespace vek {

class IMotor;

// The recovery routine behind the façade's RunDiagnostics: checks that every
// axis answers and really moves 500 counts each way, and when one does not,
// tries in turn to clear echo and syntax errors, to move away from a limit
// switch and to reopen the connection, checking all axes after each remedy.
// Nothing here raises: an error inside a check makes that axis unhealthy.
class Diagnostics {
public:
    // How the owner reopens its connection (the façade's openConnection).
    using ReopenConnection = std::function<void(int32_t baudRate, const std::string& portName)>;
    // The owner's axes as they are at the moment of the call.
    using Axes = std::function<std::shared_ptr<const MotorCollection>()>;

    void setOwner(ReopenConnection reopen, Axes axes) {
        reopen_ = std::move(reopen);
        axes_ = std::move(axes);
    }
    bool runDiagnostics(int32_t baudRate, const std::string& portName);
    bool checkAllMotors();
    bool fixEchoErrors();
    bool fixLimitSwitches();
    bool refreshConnection(int32_t baudRate, const std::string& portName);
    bool isMotorHealthy(IMotor& motor);

private:
    // Runs `remedy` on every axis (1..count), then the health check; the
    // answer is true when every axis is healthy and there is at least one.
    bool forEachAxis(const std::function<void(IMotor&, int16_t)>& remedy);
    // Moves by `delta`, waits, and answers whether the position changed.
    bool moves(IMotor& motor, int32_t delta);
    void moveAwayFromLimit(IMotor& motor, int16_t index, bool negative);

    ReopenConnection reopen_;
    Axes axes_;
};

}  // namespace vek
