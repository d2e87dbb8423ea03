#include "vek/motors/Diagnostics.h"

#include <exception>

#include "vek/foundation/Collection.h"
#include "vek/foundation/Convert.h"
#include "vek/foundation/EventLoop.h"
#include "vek/foundation/Log.h"
#include "vek/motors/IMotor.h"
#include "vek/motors/MotorConstants.h"

namespace vek {

namespace {

constexpr int32_t kCheckVelocity = MotorConstants::DEFAULT_JOG_SPEED;
constexpr int32_t kCheckAcceleration = MotorConstants::DEFAULT_JOG_ACCELERATION;
constexpr int32_t kCheckStep = 500;
constexpr int32_t kLimitBackOff = 2000;

void info(const std::string& text) {
    logAt(LogLevel::info, text, LogSource::DLL_SOURCE);
}

void yieldToEvents() {
    eventLoop().processPendingEvents();
}

}  // namespace

bool Diagnostics::runDiagnostics(int32_t baudRate, const std::string& portName) {
    if (checkAllMotors()) {
        info("Motors are working ok. Diagnostics is successful.");
        return true;
    }
    info("Trying various diagnostics...");
    yieldToEvents();
    if (fixEchoErrors()) {
        info("Cleared the Echo error status.");
        return true;
    }
    info("Trying another diagnostics...");
    yieldToEvents();
    if (fixLimitSwitches()) {
        info("Moved the motors away from the limit switch.");
        return true;
    }
    yieldToEvents();
    if (refreshConnection(baudRate, portName)) {
        info("Refreshed the serial connection.");
        return true;
    }
    info("Trying another diagnostics...");
    yieldToEvents();
    return false;
}

bool Diagnostics::forEachAxis(const std::function<void(IMotor&, int16_t)>& remedy) {
    const auto motors = axes_ ? axes_() : nullptr;
    if (!motors || motors->count() == 0) return false;
    bool all = true;
    const int16_t count = static_cast<int16_t>(motors->count());
    for (int16_t i = 1; i <= count; ++i) {
        auto motor = motors->item(i);
        if (remedy) {
            try {
                remedy(*motor, i);
            } catch (const std::exception&) {
                // The health check below tells whether the remedy was needed.
            }
        }
        const bool healthy = isMotorHealthy(*motor);
        if (healthy) {
            logAt(LogLevel::info, "Motor " + toText(i) + " is healthy.", LogSource::MOTOR_SOURCE);
        } else {
            logAt(LogLevel::WARNING, "Motor " + toText(i) + " still is not healthy...", LogSource::MOTOR_SOURCE);
        }
        all = all && healthy;
    }
    return all;
}

bool Diagnostics::checkAllMotors() {
    return forEachAxis(nullptr);
}

bool Diagnostics::fixEchoErrors() {
    return forEachAxis([](IMotor& motor, int16_t i) {
        const bool echo = motor.getResponseOf("RBf") == "1";
        const bool syntax = motor.getResponseOf("RBs") == "1";
        if (echo || syntax) {
            logAt(LogLevel::WARNING, "Motor " + toText(i) + " has echo problem. Resetting...", LogSource::MOTOR_SOURCE);
            motor.Reset();
        }
    });
}

void Diagnostics::moveAwayFromLimit(IMotor& motor, int16_t index, bool negative) {
    logAt(LogLevel::WARNING,
          "Motor " + toText(index) + " has " + (negative ? "negative" : "positive") +
              " limit problem. Resetting & moving away...",
          LogSource::MOTOR_SOURCE);
    motor.Reset();
    motor.goToPosition(motor.position() + (negative ? kLimitBackOff : -kLimitBackOff), kCheckVelocity,
                       kCheckAcceleration);
    motor.WaitForStop(-1, false);
    if (motor.getResponseOf(negative ? "RBm" : "RBp") == "1") {
        // Still on the switch: drive off it in velocity mode.
        motor.setVelocityMode();
        motor.setVelocity(negative ? kCheckVelocity : -kCheckVelocity);
        motor.setAcceleration(kCheckAcceleration);
        motor.startMotion();
        motor.StopMotion(true);
    }
}

bool Diagnostics::fixLimitSwitches() {
    return forEachAxis([this](IMotor& motor, int16_t i) {
        if (motor.getResponseOf("RBm") == "1") {
            moveAwayFromLimit(motor, i, true);
        } else if (motor.getResponseOf("RBp") == "1") {
            moveAwayFromLimit(motor, i, false);
        }
    });
}

bool Diagnostics::refreshConnection(int32_t baudRate, const std::string& portName) {
    info("Refreshing the serial connection... ");
    try {
        if (reopen_) reopen_(baudRate, portName);
    } catch (const std::exception&) {
        return false;
    }
    return forEachAxis(nullptr);
}

bool Diagnostics::moves(IMotor& motor, int32_t delta) {
    const int32_t before = motor.position();
    motor.goToPosition(before + delta, kCheckVelocity, kCheckAcceleration);
    motor.WaitForStop(-1, false);
    return motor.position() != before;
}

bool Diagnostics::isMotorHealthy(IMotor& motor) {
    try {
        const int16_t type = motor.motorType();
        const int32_t p0 = motor.position();
        if (isSmartMotorFamily(type)) {
            if (!moves(motor, kCheckStep)) return false;
            if (!moves(motor, -kCheckStep)) return false;
        } else if (isDravoFamily(type)) {
            // An ends answer that is no number (a garbled or missing reply)
            // makes the axis unhealthy rather than reading as 0.
            const int32_t right = toInt32(toDouble(motor.getResponseOf("RPr")));
            const int32_t left = toInt32(toDouble(motor.getResponseOf("RPl")));
            if (p0 < right) {
                if (!moves(motor, kCheckStep)) return false;
                if (p0 > left && !moves(motor, -kCheckStep)) return false;
            } else if (!moves(motor, -kCheckStep)) {
                return false;
            }
        } else {
            return false;
        }
        motor.goToPosition(p0, kCheckVelocity, kCheckAcceleration);
        motor.WaitForStop(-1, false);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace vek
