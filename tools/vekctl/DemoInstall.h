#pragma once
#include <functional>
#include <string>

namespace vekctl {

// The install folder vekctl works in without --home: $VEK_HOME, else
// $XDG_DATA_HOME/vek, else ~/.local/share/vek; empty when none of the three
// is set (vekctl then refuses rather than guess a folder).
std::string defaultHome();

// Makes `home` a working install folder: creates it and its subfolders and
// copies every file of the staged data folder that is not there yet. An
// existing file (above all the user's database) is never overwritten.
// Returns an empty text on success, otherwise what went wrong.
std::string prepareHome(const std::string& home, const std::string& stagedData);

// The simulated gantry of `home`'s database, as `commands` and `program`
// work on it: prepares the folder, starts the library there (virtual time
// unless `realTime`), calls `started` (to listen to the log, say) and loads
// the database and opens the simulated chain. Returns an Exit code, with
// what failed on standard error.
int openSimulatedGantry(const std::string& home, bool realTime, bool sound, const std::function<void()>& started = {});

}  // namespace vekctl
