// vekctl as a process: the simulated demo in a fresh home folder, its exit
// codes and the picture it writes, and the upgrade of an old database file.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "support/TempInstall.h"

namespace fs = std::filesystem;

namespace vek::test {
namespace {

struct ProcessRun {
    int exitCode = -1;
    std::string output;
};

ProcessRun vekctl(const std::string& arguments) {
    const std::string command = std::string(VEK_BIN_DIR) + "/vekctl " + arguments + " 2>&1";
    ProcessRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    std::array<char, 4096> buffer{};
    while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) run.output.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class Vekctl : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vekctl-test-XXXXXX").string();
        ASSERT_TRUE(::mkdtemp(pattern.data()));
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    fs::path dir_;
};

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST_F(Vekctl, DemoRunsInAFreshHomeAndDrawsTheRun) {
    const fs::path home = dir_ / "home";
    const fs::path svg = dir_ / "run.svg";
    const ProcessRun first = vekctl("demo --quiet --home " + home.string() + " --svg " + svg.string());
    ASSERT_EQ(first.exitCode, 0) << first.output;
    EXPECT_TRUE(fs::exists(home / "data" / "vek.db"));
    EXPECT_TRUE(fs::exists(home / "logs" / "logs.txt"));
    EXPECT_NE(first.output.find("Stored the rounded polyline Demo.RoundedSquare"), std::string::npos) << first.output;
    EXPECT_NE(first.output.find("Final positions:"), std::string::npos);
    EXPECT_NE(first.output.find("MotorZ"), std::string::npos);

    const std::string picture = readFileText(svg.string());
    ASSERT_FALSE(picture.empty());
    EXPECT_NE(picture.find("<svg xmlns=\"http://www.w3.org/2000/svg\""), std::string::npos);
    EXPECT_NE(picture.rfind("</svg>"), std::string::npos);
    // Approach, polyline and helix in both views, and the taken positions.
    EXPECT_GE(count(picture, "class=\"commanded\""), 6u);
    EXPECT_EQ(count(picture, "class=\"actual\""), 2u);
    const auto actual = picture.find("class=\"actual\"");
    const auto points = picture.find("points=\"", actual);
    const auto end = picture.find('"', points + 8);
    EXPECT_GT(count(picture.substr(points, end - points), ","), 100u);

    // A second run keeps the user's database and the stored path.
    const ProcessRun second = vekctl("demo --quiet --home " + home.string() + " --svg " + svg.string());
    ASSERT_EQ(second.exitCode, 0) << second.output;
    EXPECT_EQ(second.output.find("Stored the rounded polyline"), std::string::npos) << second.output;
}

TEST_F(Vekctl, MigrateUpgradesTheOldExampleAndTheDemoRunsOnAnUpgradedFile) {
    const fs::path home = dir_ / "home";
    const ProcessRun run = vekctl("migrate --home " + home.string());
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("version 0, 2 datasets, 2 paths, 9 points"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Now version 12, 2 datasets, 2 paths, 9 points"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("    -- Migrating database from version_11 to version_12"), std::string::npos);
    // The shipped example is copied, never upgraded itself.
    EXPECT_EQ(readFileText((home / "data" / "vek_v0.db").string()),
              readFileText(std::string(VEK_STAGE_DIR) + "/data/vek_v0.db"));

    // An upgraded file keeps its axes on their slides: the demo runs on it.
    fs::copy_file(home / "data" / "vek_v0.db", home / "data" / "vek.db", fs::copy_options::overwrite_existing);
    const ProcessRun demo = vekctl("demo --quiet --home " + home.string() + " --svg " + (dir_ / "x.svg").string());
    EXPECT_EQ(demo.exitCode, 0) << demo.output;

    EXPECT_EQ(vekctl("migrate --home " + home.string() + " --file missing.db").exitCode, 3);
    EXPECT_EQ(vekctl("migrate --file").exitCode, 1);
}

TEST_F(Vekctl, ExitCodesSayWhatFailed) {
    const ProcessRun help = vekctl("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.output.find("Exit codes:"), std::string::npos);
    EXPECT_EQ(vekctl("").exitCode, 1);
    EXPECT_EQ(vekctl("fly").exitCode, 1);
    EXPECT_EQ(vekctl("demo --svg").exitCode, 1);

    // A home that cannot be created.
    const fs::path blocker = dir_ / "file";
    {
        std::FILE* f = std::fopen(blocker.c_str(), "w");
        std::fclose(f);
    }
    EXPECT_EQ(vekctl("demo --quiet --home " + (blocker / "home").string()).exitCode, 2);

    // A database that is not one.
    const fs::path home = dir_ / "broken";
    fs::create_directories(home / "data");
    {
        std::FILE* f = std::fopen((home / "data" / "vek.db").c_str(), "w");
        std::fputs("not a database", f);
        std::fclose(f);
    }
    EXPECT_EQ(vekctl("demo --quiet --home " + home.string() + " --svg " + (dir_ / "x.svg").string()).exitCode, 3);

    // A picture that cannot be written.
    const ProcessRun noPicture =
        vekctl("demo --quiet --home " + (dir_ / "ok").string() + " --svg " + (dir_ / "missing" / "x.svg").string());
    EXPECT_EQ(noPicture.exitCode, 7) << noPicture.output;
}

}  // namespace
}  // namespace vek::test
