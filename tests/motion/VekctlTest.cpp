// vekctl as a process: the simulated demo in a fresh home folder, its exit
// codes and the picture it writes, the upgrade of an old database file, the
// install folder it picks, the files it refuses, and a demo killed while it
// stores its path.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/ptrace.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "ChainEmulator.h"
#include "support/SqlFile.h"
#include "support/Vekctl.h"
#include "vek/comm/engine/LineTransport.h"

namespace fs = std::filesystem;

namespace vek::test {
namespace {

bool contains(const std::string& text, const std::string& what) {
    return text.find(what) != std::string::npos;
}

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// The lines from "Final positions:" on.
std::string finalPositions(const std::string& output) {
    const auto at = output.find("Final positions:");
    return at == std::string::npos ? std::string() : output.substr(at, output.find("Wrote ", at) - at);
}

std::string database(const fs::path& home) {
    return (home / "data" / "vek.db").string();
}

// The slide model of each axis 1..3 of a home's database.
std::string slideModels(const fs::path& home) {
    return valueOf(database(home),
                   "SELECT group_concat(model) FROM (SELECT s.model FROM Motor m LEFT JOIN Slide s ON s.slideKey = "
                   "m.slideKey ORDER BY m.motorKey LIMIT 3)");
}

class Vekctl : public VekctlHome {
protected:
    VekctlRun demo(const fs::path& home, const std::string& svg = "x.svg") {
        return vekctl("demo --quiet --home " + home.string() + " --svg " + (dir_ / svg).string());
    }
};

// The demo sets up a fresh home (the demo slide on every axis), stores its
// path and draws the run; a second run keeps the user's database and the
// stored path; an axis on a SmartMotor slide of its own keeps it.
TEST_F(Vekctl, DemoRunsInAFreshHomeAndDrawsTheRun) {
    const VekctlRun first = demo(home_, "run.svg");
    ASSERT_EQ(first.exitCode, 0) << first.output;
    EXPECT_TRUE(fs::exists(home_ / "logs" / "logs.txt"));
    for (const char* line : {"Stored the rounded polyline Demo.RoundedSquare", "Final positions:", "MotorZ",
                             "Axes X, Y and Z now use the SmartMotor slide model SM23-DEMO"})
        EXPECT_TRUE(contains(first.output, line)) << line << "\n" << first.output;
    EXPECT_EQ(slideModels(home_), "SM23-DEMO,SM23-DEMO,SM23-DEMO");

    const std::string picture = readFileText((dir_ / "run.svg").string());
    EXPECT_TRUE(contains(picture, "<svg xmlns=\"http://www.w3.org/2000/svg\"") && contains(picture, "</svg>"));
    // Approach, polyline and helix in both views, and the taken positions.
    EXPECT_GE(count(picture, "class=\"commanded\""), 6u);
    EXPECT_EQ(count(picture, "class=\"actual\""), 2u);
    const auto points = picture.find("points=\"", picture.find("class=\"actual\""));
    EXPECT_GT(count(picture.substr(points, picture.find('"', points + 8) - points), ","), 100u);

    const VekctlRun second = demo(home_);
    ASSERT_EQ(second.exitCode, 0) << second.output;
    EXPECT_FALSE(contains(second.output, "Stored the rounded polyline")) << second.output;
    EXPECT_FALSE(contains(second.output, "now use")) << "the axes have their SmartMotor slides already";
    EXPECT_EQ(finalPositions(second.output), finalPositions(first.output));

    // Axis Y on a SmartMotor slide of its own keeps it.
    const fs::path own = dir_ / "own";
    ASSERT_EQ(vekctl("migrate --home " + own.string()).exitCode, 0);
    rowsOf(database(own),
           "INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) "
           "VALUES ('SM-OWN', 10, 200, 80, 900, 1); "
           "UPDATE Motor SET slideKey = last_insert_rowid() WHERE motorKey = 2");
    const VekctlRun run = demo(own);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(contains(run.output, "Axes X and Z now use the SmartMotor slide model SM23-DEMO")) << run.output;
    EXPECT_EQ(slideModels(own), "SM23-DEMO,SM-OWN,SM23-DEMO");
    EXPECT_EQ(finalPositions(run.output), finalPositions(first.output));
}

TEST_F(Vekctl, MigrateUpgradesTheOldExampleAndTheDemoRunsOnAnUpgradedFile) {
    const VekctlRun run = vekctl("migrate --home " + home_.string());
    ASSERT_EQ(run.exitCode, 0) << run.output;
    for (const char* line :
         {"version 0, 2 datasets, 2 paths, 9 points", "Now version 12, 2 datasets, 2 paths, 9 points",
          "    -- Migrating database from version_11 to version_12"})
        EXPECT_TRUE(contains(run.output, line)) << line << "\n" << run.output;
    // The shipped example is copied, never upgraded itself.
    EXPECT_EQ(readFileText((home_ / "data" / "vek_v0.db").string()),
              readFileText(std::string(VEK_STAGE_DIR) + "/data/vek_v0.db"));

    // An upgraded file keeps its axes on their slides: the demo runs on it.
    fs::copy_file(home_ / "data" / "vek_v0.db", database(home_), fs::copy_options::overwrite_existing);
    EXPECT_EQ(demo(home_).exitCode, 0);
    EXPECT_EQ(vekctl("migrate --home " + home_.string() + " --file missing.db").exitCode, 3);
    EXPECT_EQ(vekctl("migrate --file").exitCode, 1);
}

// The demo's stored paths as "{x,y,z x,y,z ...}", one group per path; empty
// when none is stored.
std::string demoShape(const fs::path& home) {
    std::string shape;
    for (const auto& row : rowsOf(database(home),
                                  "SELECT '{' || ifnull((SELECT group_concat(xyz, ' ') FROM (SELECT n.p1 || ',' || "
                                  "n.p2 || ',' || n.p3 AS xyz FROM Node n WHERE n.pathKey = p.pathKey ORDER BY "
                                  "n.orderNumber)), '') || '}' FROM Path p JOIN Dataset d ON p.datasetKey = "
                                  "d.datasetKey WHERE p.pathName = 'RoundedSquare' AND d.datasetName = 'Demo' "
                                  "ORDER BY p.pathKey"))
        shape += row[0];
    return shape;
}

#if defined(__x86_64__)
// Runs the demo traced (ptrace) up to the first line it prints after
// checking its stored path, and kills it there (SIGKILL). Until it reports
// homing only its writes stop it (a seccomp filter); from then on every
// system call does. Returns how many stops lie between its "Homed" and
// "Stored ..." lines (0 when it stored nothing, -1 when it cannot be traced,
// -2 when it never homed). With `killAt`, kills it that many stops after
// "Homed" instead: after homing it checks and stores its path, so the kill
// lands at a chosen point of that store, the same in every run.
long traceDemo(const fs::path& home, std::optional<long> killAt = {}) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(::open("/dev/null", O_WRONLY), STDOUT_FILENO);
        sock_filter filter[] = {
            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_write, 0, 1),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_TRACE),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        };
        sock_fprog writesOnly{static_cast<unsigned short>(std::size(filter)), filter};
        if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0 || ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
            ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &writesOnly) != 0)
            ::_exit(126);
        const std::string vekctl = std::string(VEK_BIN_DIR) + "/vekctl";
        ::execl(vekctl.c_str(), "vekctl", "demo", "--home", home.c_str(), "--svg", "/dev/null", nullptr);
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);        // stopped at exec
    if (!WIFSTOPPED(status)) return -1;  // tracing is not allowed here
    ::ptrace(PTRACE_SETOPTIONS, child, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_TRACESECCOMP | PTRACE_O_EXITKILL);
    bool homed = false;
    long stops = 0, stored = 0;
    int signal = 0;
    for (bool done = false; !done;) {
        ::ptrace(homed ? PTRACE_SYSCALL : PTRACE_CONT, child, nullptr, signal);
        if (::waitpid(child, &status, 0) != child || !WIFSTOPPED(status)) break;
        const bool atWrite = status >> 8 == (SIGTRAP | (PTRACE_EVENT_SECCOMP << 8));
        signal = atWrite || WSTOPSIG(status) == (SIGTRAP | 0x80) ? 0 : WSTOPSIG(status);
        if (signal) continue;
        stops += homed;
        __ptrace_syscall_info call{};
        ::ptrace(PTRACE_GET_SYSCALL_INFO, child, sizeof call, &call);
        if (atWrite && call.seccomp.args[0] == STDOUT_FILENO) {
            const long word = ::ptrace(PTRACE_PEEKDATA, child, call.seccomp.args[1], nullptr);
            const std::string line(reinterpret_cast<const char*>(&word), 5);
            if (homed && !killAt && line != "Store" && line != "The s") done = true;
            if (homed && line == "Store" && !stored) stored = stops;
            homed = homed || line == "Homed";
        }
        done = done || (homed && killAt && stops >= *killAt);
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    return homed ? stored : -2;
}

// kill -9 at points spread over the demo's store of its path (missing, or
// left with 3 of its 5 points as an older vekctl could leave it): the path is
// afterwards whole or as it was, never cut anew, and the next demo finds or
// restores it whole.
TEST_F(Vekctl, DemoKilledWhileStoringItsPathLeavesItWholeOrAsItWas) {
    const fs::path& home = home_;
    ASSERT_EQ(demo(home).exitCode, 0);
    const std::string whole = demoShape(home);
    ASSERT_EQ(whole, "{8000,8000,4000 24000,8000,4000 24000,24000,4000 8000,24000,4000 8000,8000,4000}");
    // Takes the path away (0) or its last two points (1).
    const auto cut = [&](int kind) {
        rowsOf(database(home),
               std::string("DELETE FROM Node WHERE nodeKey IN (SELECT n.nodeKey FROM Node n JOIN Path p ON n.pathKey = "
                           "p.pathKey WHERE p.pathName = 'RoundedSquare' ORDER BY n.orderNumber DESC ") +
                   (kind ? "LIMIT 2)" : "); DELETE FROM Path WHERE pathName = 'RoundedSquare'"));
    };
    std::array<long, 2> store{};
    for (int kind : {0, 1}) {
        cut(kind);
        store[kind] = traceDemo(home);
        if (store[kind] == -1) GTEST_SKIP() << "system calls cannot be traced here";
        ASSERT_GT(store[kind], 0);
        EXPECT_EQ(demoShape(home), whole);
    }
    std::mt19937 random(20);
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        cut(round % 2);
        const std::string before = demoShape(home);
        EXPECT_NE(traceDemo(home, std::uniform_int_distribution<long>(0, store[round % 2])(random)), -2);
        const std::string after = demoShape(home);
        EXPECT_TRUE(after == whole || after == before) << after;
        EXPECT_GE(traceDemo(home), 0);
        EXPECT_EQ(demoShape(home), whole);
    }
    EXPECT_EQ(demo(home).exitCode, 0);
}
#endif

// Each failure has its exit code and says why. Files outside the data
// folder are refused before anything is made or read.
TEST_F(Vekctl, ExitCodesSayWhatFailed) {
    const fs::path refusing = dir_ / "refusing";
    fs::create_directories(refusing / "data");
    fs::copy_file(std::string(VEK_STAGE_DIR) + "/data/vek_v0.db", dir_ / "vek.db");
    fs::create_directory_symlink(dir_, refusing / "data" / "outside");
    const std::string before = readFileText((dir_ / "vek.db").string());
    std::ofstream((dir_ / "file").string());  // no home can be made inside it
    fs::create_directories(dir_ / "broken" / "data");
    std::ofstream(database(dir_ / "broken")) << "not a database";
    const std::string svg = " --svg " + (dir_ / "x.svg").string();
    const std::string full = "2>&1 >/dev/full";
    struct Case {
        std::string arguments;
        int exit;
        std::string says;
        std::string redirect = "2>&1";
    };
    std::vector<Case> cases = {
        {"--help", 0, "Exit codes:"},
        {"", 1, ""},
        {"fly", 1, ""},
        {"demo --svg", 1, ""},
        {"demo --quiet --home " + (dir_ / "file" / "home").string(), 2, ""},
        {"demo --quiet --home " + (dir_ / "broken").string() + svg, 3, ". [file is not a database])"},
        {"demo --quiet --home " + (dir_ / "ok").string() + " --svg " + (dir_ / "missing" / "x.svg").string(), 7, ""},
        {"--help", 8, "cannot write to standard output", full},
        {"migrate --home " + home_.string(), 8, "cannot write to standard output", full},
        {"demo --quiet --home " + home_.string() + svg, 8, "cannot write to standard output", full},
    };
    for (const std::string name :
         {"../../vek.db", "/tmp/vek.db", "sub/../../../vek.db", "..\\..\\vek.db", "outside/vek.db", "."})
        cases.push_back({"migrate --home " + refusing.string() + " --file '" + name + "'", 1, "is not inside it"});
    for (const Case& c : cases) {
        if (c.redirect == full && !fs::exists("/dev/full")) continue;
        const VekctlRun run = vekctl(c.arguments, {}, c.redirect);
        EXPECT_EQ(run.exitCode, c.exit) << c.arguments << ": " << run.output;
        EXPECT_TRUE(contains(run.output, c.says)) << c.arguments << ": " << run.output;
    }
    EXPECT_EQ(readFileText((dir_ / "vek.db").string()), before);
    EXPECT_FALSE(fs::exists(refusing / "logs")) << "refused before anything is made";
}

TEST_F(Vekctl, InstallFolderComesFromTheEnvironmentOrIsRefused) {
    const std::string d = dir_.string();
    const std::pair<std::string, std::string> cases[] = {
        // the environment, and the folder taken (empty: refused)
        {"VEK_HOME=" + d + "/vek XDG_DATA_HOME=" + d + "/xdg HOME=" + d + "/user", d + "/vek"},
        {"-u VEK_HOME XDG_DATA_HOME=" + d + "/xdg HOME=" + d + "/user", d + "/xdg/vek"},
        {"-u VEK_HOME XDG_DATA_HOME=relative HOME=" + d + "/user", d + "/user/.local/share/vek"},
        {"-u VEK_HOME -u HOME XDG_DATA_HOME=" + d + "/xdg", d + "/xdg/vek"},
        {"-u VEK_HOME -u XDG_DATA_HOME -u HOME", ""},
    };
    for (const auto& [environment, folder] : cases) {
        const VekctlRun run = vekctl("migrate", "cd " + d + " && env " + environment);
        EXPECT_EQ(run.exitCode, folder.empty() ? 1 : 0) << environment << ": " << run.output;
        if (folder.empty()) EXPECT_TRUE(contains(run.output, "no install folder")) << run.output;
        EXPECT_EQ(fs::exists(folder + "/data/vek-v0-example.db"), !folder.empty()) << environment;
        if (!folder.empty()) fs::remove_all(folder);
    }
    EXPECT_FALSE(fs::exists(dir_ / ".local")) << "nothing guessed in the current folder";
    EXPECT_FALSE(fs::exists(dir_ / "relative"));
    const VekctlRun help = vekctl("--help");
    for (const char* name : {"VEK_HOME", "XDG_DATA_HOME", "data/vek_v0.db"})
        EXPECT_TRUE(contains(help.output, name)) << name;
}

// chain and send against the emulator on a pseudo-terminal: every motor
// with its position and status, then the count; one command's answer;
// refused texts, missing or held ports and options with their exit codes.
TEST_F(Vekctl, ChainAndSendOverTheEmulator) {
    emulator::ChainEmulator chain(emulator::EmulatorOptions{.motors = 2});
    chain.start();
    chain.withMotor(2, [](emulator::EmulatedMotor& m) { m.place(-250); });
    const std::string port = " --port " + chain.portPath();
    const VekctlRun chained = vekctl("chain" + port + " --baud 38400");
    EXPECT_EQ(chained.exitCode, 0) << chained.output;
    EXPECT_EQ(chained.output,
              "motor 1  position 0  status 0 (none)\n"
              "motor 2  position -250  status 0 (none)\n"
              "2 motors\n");
    EXPECT_EQ(chain.motorBaud(1), 9600) << "the chain is left at its power-up rate";
    const VekctlRun sentQuery = vekctl("send" + port + " 2RP", {}, "2>/dev/null");
    EXPECT_EQ(std::to_string(sentQuery.exitCode) + " " + sentQuery.output, "0 -250\n");
    const std::string noPort = "[Cannot open /dev/vek-no-such-port (No such file or directory).]";
    const std::pair<std::string, std::pair<int, std::string>> cases[] = {
        {"send" + port + " 9RP", {10, "error 11: The command \"9RP\" does not start"}},
        {"chain --port /dev/vek-no-such-port", {4, noPort}},
        {"demo --quiet --home " + home_.string() + " --port /dev/vek-no-such-port",
         {4, "cannot open the serial chain on /dev/vek-no-such-port ("}},
        {"chain", {1, ""}},
        {"send" + port, {1, ""}},
        {"chain" + port + " --max 9", {1, ""}},
    };
    for (const auto& [arguments, expected] : cases) {
        const VekctlRun run = vekctl(arguments);
        EXPECT_EQ(run.exitCode, expected.first) << arguments << ": " << run.output;
        EXPECT_TRUE(contains(run.output, expected.second)) << arguments << ": " << run.output;
    }
    // The port held here keeps another process off it.
    const auto held = SerialPort::open(chain.portPath(), {});
    const VekctlRun busy = vekctl("send" + port + " 2RP");
    EXPECT_EQ(busy.exitCode, 4);
    EXPECT_TRUE(contains(busy.output,
                         "Can't open serial port. Check that other application is not using the same port. "
                         "[Cannot open " +
                             chain.portPath() + " ("))
        << busy.output;
    // The machine's own ports, counted last (a container may have none).
    const VekctlRun ports = vekctl("ports");
    EXPECT_EQ(ports.exitCode, 0);
    EXPECT_TRUE(ports.output.ends_with(" serial ports\n") || ports.output.ends_with(" serial port\n")) << ports.output;
}

}  // namespace
}  // namespace vek::test
