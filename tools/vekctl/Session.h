#pragma once
#include <string>

namespace vekctl {

// The first half of a vekctl session: makes `home` a working install folder,
// works in it, and runs time virtually unless `realTime`. Returns an Exit
// code (the problem told on standard error).
int prepareSession(const std::string& home, bool realTime);

// The second half: switches the façade to simulation (muted unless `sound`),
// loads the install's data/vek.db and, when `connect`, opens the simulated
// chain. Returns an Exit code (the problem told on standard error).
int loadSimulatedGantry(const std::string& home, bool sound, bool connect);

}  // namespace vekctl
