#pragma once
#include <cstdint>
#include <memory>

#include "vek/foundation/Collection.h"
#include "vek/foundation/Event.h"
#include "vek/foundation/EventLoop.h"

namespace vek {

class MotorSimulation;

// The process-wide host of the simulated motors: one 10 ms timer on the event
// loop and the registry of the simulated motors that are moving. The timer
// runs only while a motor is registered; each tick advances every registered
// motor once, in registration order. Ticks are scheduled from the previous
// due time, so the period does not drift with the work done in a tick.
class SimulationHost {
public:
    static constexpr double TICK_SECONDS = 0.01;

    SimulationHost();
    ~SimulationHost();
    SimulationHost(const SimulationHost&) = delete;
    SimulationHost& operator=(const SimulationHost&) = delete;

    // Registers a moving motor under its decimal id; adding the same motor
    // again changes nothing, another motor with that id replaces it. Starts
    // the timer when it is not running.
    void addCallbackMotor(int32_t id, const std::shared_ptr<MotorSimulation>& motor);
    // Unregisters the motor of that id (a missing id is ignored; with `motor`
    // given, only when that motor is the one registered); the last removal
    // stops the timer and the motion sound.
    void removeCallbackMotor(int32_t id, const MotorSimulation* motor = nullptr);

    const Collection<std::shared_ptr<MotorSimulation>>& callbackMotors() const { return callbackMotors_; }
    bool isTimerEnabled() const { return timer_ != 0; }
    // Number of ticks run since the host was created.
    uint64_t tickCount() const { return tickCount_; }

    // One tick: every registered motor's simulationTimer_Timer, in order.
    // Called by the timer; public so that a host without an event loop pass
    // can drive the simulation itself.
    void simulationTimer_Timer();

    // Unregisters every motor and stops the timer (connection closed, runtime
    // shut down), without the per-motor log lines.
    void reset();

    // Raised after every tick.
    Event<> ticked;

private:
    void enableTimer();
    void disableTimer();

    Collection<std::shared_ptr<MotorSimulation>> callbackMotors_;
    EventLoop::TimerId timer_ = 0;
    uint64_t tickCount_ = 0;
};

// The one simulation host of the process, created on first use.
SimulationHost& simulationHost();

}  // namespace vek
