#pragma once
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

#include "vek/motors/MotorSimulation.h"
#include "vek/motors/SimulationHost.h"

namespace vek::test {

// Position and the status bits set, in word order: "80000 Br Bo Bp".
inline std::string motorState(MotorSimulation& motor) {
    static const char* const names[16] = {"Bt", "Br", "Bl", "Bi", "Bw", "Be", "Bh", "Bo",
                                          "Bx", "Bp", "Bm", "Bd", "Bu", "Bs", "Ba", "Bk"};
    std::string text = std::to_string(motor.position());
    for (int16_t bit = 0; bit < 16; ++bit)
        if (motor.statusBit(bit)) text += std::string(" ") + names[bit];
    return text;
}

// Runs the motor's move to its end (faults ignored); returns its motorState.
inline std::string runToStop(MotorSimulation& motor) {
    EXPECT_TRUE(motor.WaitForStop(30, true)) << "still moving after 30 s";
    return motorState(motor);
}

// The motors on the simulation tick and whether it runs: "1 ticking", "0 idle".
inline std::string tickState() {
    return std::to_string(simulationHost().callbackMotors().count()) +
           (simulationHost().isTimerEnabled() ? " ticking" : " idle");
}

// The motor's answers to `queries`: "RW=0 RBt=1".
inline std::string answersOf(IMotor& motor, std::initializer_list<std::string> queries) {
    std::string text;
    for (const auto& q : queries) text += (text.empty() ? "" : " ") + q + "=" + motor.getResponseOf(q);
    return text;
}

inline std::pair<int32_t, int32_t> limitsOf(const MotorSimulation& motor) {
    return {motor.negativeLimit(), motor.positiveLimit()};
}

}  // namespace vek::test
