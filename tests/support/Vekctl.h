#pragma once
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

namespace vek::test {

struct ProcessRun {
    int exitCode = -1;
    std::string output;
};

// Runs `prefix vekctl arguments redirect` in a shell (the vekctl of this
// build); by default both standard output and standard error are read.
inline ProcessRun vekctl(const std::string& arguments, const std::string& prefix = {},
                         const std::string& redirect = "2>&1") {
    const std::string command = prefix + " " + VEK_BIN_DIR + "/vekctl " + arguments + " " + redirect;
    ProcessRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    std::array<char, 4096> buffer{};
    while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) run.output.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace vek::test
