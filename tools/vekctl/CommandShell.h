#pragma once
#include <string>
#include <vector>

namespace vekctl {

struct CommandsOptions {
    std::string home;                // install folder
    std::vector<std::string> lines;  // -c lines, run in order; none: the prompt
    bool realTime = false;           // wait in wall-clock time instead of virtual time
    bool sound = false;              // play the motion sound
};

// A line of a user program: the command's name, then its arguments
// separated by commas. Text in double quotes keeps its commas and blanks
// ("" inside stands for one quote); an empty argument means "not given".
struct CommandLine {
    std::string name;
    std::vector<std::string> args;
    std::vector<bool> quoted;  // per argument: written in quotes
};
CommandLine parseCommandLine(const std::string& text);

// Calls vek's Commands (and DevCommands) by name on the simulated gantry of
// the install's database: every -c line in order within one session of the
// library, or an interactive prompt with tab completion of command names.
// Prints the commands' display texts as they come, results after "= ", and
// numbered errors as "error N: text". Ctrl-C while a command runs asks it
// to stop (StopProgram and StopMotion), as a host's stop button does.
int runCommands(const CommandsOptions& options);

}  // namespace vekctl
