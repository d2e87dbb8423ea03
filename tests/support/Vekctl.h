#pragma once
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "support/TempInstall.h"

namespace vek::test {

// vekctl run as a process: `vekctl arguments` after `prefix` (a pipe into
// it, say), its output with `redirect` applied, and its exit code (-1 when
// it did not exit).
struct VekctlRun {
    std::string output;
    int exitCode = -1;
};

inline VekctlRun vekctl(const std::string& arguments, const std::string& prefix = {},
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

// A fresh folder dir_, removed after the test, and home_ inside it for
// vekctl's --home (made by vekctl, or by withDatabase).
class VekctlHome : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "vekctl-home-XXXXXX").string();
        ASSERT_TRUE(::mkdtemp(pattern.data()));
        dir_ = pattern;
        home_ = dir_ / "home";
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    // Gives the home a copy of the staged database (vekctl keeps an existing
    // one) whose panel takes a free port; its path.
    std::string withDatabase() {
        std::filesystem::create_directories(home_ / "data");
        const std::string db = (home_ / "data/vek.db").string();
        std::filesystem::copy_file(std::string(VEK_STAGE_DIR) + "/data/vek.db", db);
        useFreePanelPort(db);
        return db;
    }
    // Runs `vekctl arguments --home <home>` after `prefix`; its output
    // (standard error included), with exit_ set.
    std::string run(const std::string& arguments, const std::string& prefix = {}) {
        const VekctlRun done = vekctl(arguments + " --home " + home_.string(), prefix);
        exit_ = done.exitCode;
        return done.output;
    }

    std::filesystem::path dir_;
    std::filesystem::path home_;
    int exit_ = -1;
};

}  // namespace vek::test
