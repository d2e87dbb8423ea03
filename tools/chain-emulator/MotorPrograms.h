#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ChainEmulator.h"

namespace vek::emulator {

// Gives every motor of `chain` what a real motor has for its program: a
// store that answers downloads and uploads (vek's ProgramStore) and a
// machine that runs the program it holds (vek's ProgramMachine) on RUN,
// stops it on END and puts what it prints on the line. `onFault` hears a
// program that stopped on a fault: the motor (1-based) and the fault.
void giveMotorsPrograms(ChainEmulator& chain, std::function<void(int, const std::string&)> onFault = {});
// The compiled program motor `motor` holds (empty: none, or a motor without
// what giveMotorsPrograms gives).
std::vector<uint8_t> heldProgram(ChainEmulator& chain, int motor);

}  // namespace vek::emulator
