#pragma once
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

namespace vek::test {

// vekctl run as a process: `vekctl arguments` after `prefix` (a pipe into
// it, say), its output with `redirect` applied, and its exit code (-1 when
// it did not exit).
struct VekctlRun {
    std::string output;
    int exitCode = -1;
};

inline VekctlRun runVekctl(const std::string& arguments, const std::string& prefix = {},
                           const std::string& redirect = "2>&1") {
    const std::string command = prefix + " " + VEK_BIN_DIR + "/vekctl " + arguments + " " + redirect;
    VekctlRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    std::array<char, 4096> buffer{};
    while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) run.output.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

using ProcessRun = VekctlRun;
inline ProcessRun vekctl(const std::string& arguments, const std::string& prefix = {},
                         const std::string& redirect = "2>&1") {
    return runVekctl(arguments, prefix, redirect);
}

// A fresh folder for vekctl's --home, removed after the test.
class VekctlHome : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "vekctl-home-XXXXXX").string();
        ASSERT_TRUE(::mkdtemp(pattern.data()));
        home_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(home_, ec);
    }
    std::filesystem::path home_;
};

}  // namespace vek::test
