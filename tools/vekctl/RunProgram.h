#pragma once
#include <string>
#include <vector>

namespace vekctl {

struct RunOptions {
    std::string home;               // install folder
    std::string script;             // the user program (a .py file)
    std::vector<std::string> args;  // its own arguments
    bool realTime = false;          // wait in wall-clock time instead of virtual time
    bool sound = false;             // play the motion sound
    std::string port;               // a serial port: the real chain there instead of the simulation
};

// Runs a user program written in Python against the simulated gantry of the
// install's database: prepares the install folder, then hands over to
// Debian's Python with the module vek (python3 -m vek), which loads the
// database, opens the simulated chain (or the chain on `port`), prints the level-5 texts as they
// come and exits non-zero with the numbered error when the program fails.
// Returns only when Python could not be started.
int runProgram(const RunOptions& options);

}  // namespace vekctl
