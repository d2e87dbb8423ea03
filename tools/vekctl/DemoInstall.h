#pragma once
#include <iosfwd>
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

// Gives each of axes 1-3 of the loaded configuration that has no SmartMotor
// slide model the model SM23-DEMO (10 mm lead, 200 mm stroke; added to the
// database on first use), since coordinated motion drives SmartMotor axes
// only, and says so on `out`. Runs inside the caller's transaction.
void useSmartMotorSlides(std::ostream& out);

}  // namespace vekctl
