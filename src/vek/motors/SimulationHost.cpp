#include "vek/motors/SimulationHost.h"

#include <string>
#include <vector>

#include "vek/foundation/Log.h"
#include "vek/foundation/MotionSound.h"
#include "vek/motors/MotorSimulation.h"

namespace vek {

SimulationHost::SimulationHost() {
    logAt(LogLevel::DEVELOPER, "Initializing Simulation and Communication Subsystems");
}

SimulationHost::~SimulationHost() {
    // The event loop may already be gone at process exit; only a live timer
    // needs stopping.
    if (timer_ != 0) eventLoop().stopTimer(timer_);
}

void SimulationHost::addCallbackMotor(int32_t id, const std::shared_ptr<MotorSimulation>& motor) {
    const std::string key = std::to_string(id);
    logAt(LogLevel::DEVELOPER, "### Adding callback motor " + key);
    // The same motor again changes nothing; a new motor object under the id
    // of an old one (the chain reopened while the old one still moved)
    // takes its place, or the new one would never move.
    if (callbackMotors_.contains(key) && callbackMotors_.item(key) != motor) callbackMotors_.remove(key);
    if (!callbackMotors_.contains(key)) callbackMotors_.add(motor, key);
    logAt(LogLevel::DEVELOPER,
          "### Added callback motor " + key + " newTotal = " + std::to_string(callbackMotors_.count()));
    enableTimer();
}

void SimulationHost::removeCallbackMotor(int32_t id, const MotorSimulation* motor) {
    const std::string key = std::to_string(id);
    logAt(LogLevel::DEVELOPER, "### Removing callback motor " + key);
    if (callbackMotors_.contains(key) && (!motor || callbackMotors_.item(key).get() == motor))
        callbackMotors_.remove(key);
    logAt(LogLevel::DEVELOPER,
          "### Removed callback motor " + key + " newTotal = " + std::to_string(callbackMotors_.count()));
    if (callbackMotors_.empty()) {
        disableTimer();
        stopMotionSound();
    }
}

void SimulationHost::simulationTimer_Timer() {
    ++tickCount_;
    // A motor that reaches its target unregisters itself during the tick;
    // the others of this tick still move.
    std::vector<std::shared_ptr<MotorSimulation>> motors;
    motors.reserve(callbackMotors_.count());
    for (const auto& motor : callbackMotors_) motors.push_back(motor);
    for (const auto& motor : motors) motor->simulationTimer_Timer();
    ticked.raise();
}

void SimulationHost::reset() {
    while (!callbackMotors_.empty()) callbackMotors_.remove(std::size_t{1});
    disableTimer();
    stopMotionSound();
}

void SimulationHost::enableTimer() {
    if (timer_ != 0 && eventLoop().isTimerActive(timer_)) return;
    // The event loop schedules each tick from the previous due time, so the
    // period holds however long a tick takes.
    timer_ = eventLoop().startTimer(TICK_SECONDS, [this] { simulationTimer_Timer(); });
}

void SimulationHost::disableTimer() {
    if (timer_ == 0) return;
    eventLoop().stopTimer(timer_);
    timer_ = 0;
}

SimulationHost& simulationHost() {
    // Never destroyed: motors registered at process exit must not outlive
    // the event loop and log they refer to.
    static auto* host = new SimulationHost();
    return *host;
}

}  // namespace vek
