#pragma once
#include <string>

namespace vekctl {

struct PanelOptions {
    std::string home;     // install folder, prepared as for the demo
    int port = -1;        // the slave's port; -1: the configured "hmiPort" (502 unless set)
    double seconds = -1;  // stop after this long; < 0: until interrupted
};

// Serves the operator panel's Modbus TCP slave on the simulated gantry until
// SIGINT or SIGTERM (or `seconds`), printing each value a master writes.
// Returns an Exit code.
int runPanel(const PanelOptions& options);

// Lists the external I/O configured in the install's database, with the
// state of each input and output. Returns an Exit code.
int runIo(const std::string& home);

}  // namespace vekctl
