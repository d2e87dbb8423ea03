// vekctl as a process: the simulated demo in a fresh home folder, its exit
// codes and the picture it writes, the upgrade of an old database file, the
// install folder it picks, the files it refuses, and a demo killed while it
// stores its path.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/prctl.h>
#include <sys/ptrace.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <random>
#include <string>

#include "ChainEmulator.h"
#include "support/TempInstall.h"
#include "support/Vekctl.h"
#include "vek/comm/engine/LineTransport.h"
#include "vek/persistence/DbConnection.h"

namespace fs = std::filesystem;

namespace vek::test {
namespace {

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

bool contains(const std::string& text, const std::string& what) {
    return text.find(what) != std::string::npos;
}

// The lines from "Final positions:" on.
std::string finalPositions(const std::string& output) {
    const auto at = output.find("Final positions:");
    return at == std::string::npos ? std::string() : output.substr(at, output.find("Wrote ", at) - at);
}

// The slide model of each axis 1..3 of a database file.
std::string slideModels(const fs::path& database) {
    DbConnection db;
    db.open(database.string());
    std::string models;
    db.forEachRow(
        "SELECT s.model FROM Motor m LEFT JOIN Slide s ON s.slideKey = m.slideKey ORDER BY m.motorKey LIMIT 3", {},
        [&](const DbRow& row) { models += (models.empty() ? "" : ",") + row.text(0); });
    return models;
}

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
    EXPECT_FALSE(contains(second.output, "now use")) << "the axes have their SmartMotor slides already";
    EXPECT_EQ(finalPositions(second.output), finalPositions(first.output));
}

TEST_F(Vekctl, DemoGivesTheDemoSlideOnlyToAxesWithoutASmartMotorSlide) {
    const fs::path plain = dir_ / "plain";
    const ProcessRun reference =
        vekctl("demo --quiet --home " + plain.string() + " --svg " + (dir_ / "a.svg").string());
    ASSERT_EQ(reference.exitCode, 0) << reference.output;
    EXPECT_TRUE(contains(reference.output, "Axes X, Y and Z now use the SmartMotor slide model SM23-DEMO"));
    EXPECT_EQ(slideModels(plain / "data" / "vek.db"), "SM23-DEMO,SM23-DEMO,SM23-DEMO");

    // Axis Y on a SmartMotor slide of its own keeps it.
    const fs::path home = dir_ / "own";
    ASSERT_EQ(vekctl("migrate --home " + home.string()).exitCode, 0);
    {
        DbConnection db;
        db.open((home / "data" / "vek.db").string());
        db.execute(
            "INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) "
            "VALUES ('SM-OWN', 10, 200, 80, 900, 1)");
        db.execute("UPDATE Motor SET slideKey = ? WHERE motorKey = 2", {DbValue(db.lastInsertKey())});
    }
    const ProcessRun run = vekctl("demo --quiet --home " + home.string() + " --svg " + (dir_ / "b.svg").string());
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(contains(run.output, "Axes X and Z now use the SmartMotor slide model SM23-DEMO")) << run.output;
    EXPECT_EQ(slideModels(home / "data" / "vek.db"), "SM23-DEMO,SM-OWN,SM23-DEMO");
    EXPECT_EQ(finalPositions(run.output), finalPositions(reference.output));
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

// The demo's stored paths as "{x,y,z x,y,z ...}", one group per path; empty
// when none is stored.
std::string demoShape(const fs::path& home) {
    sqlite3* h = nullptr;
    sqlite3_open_v2((home / "data" / "vek.db").c_str(), &h, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(h,
                       "SELECT '{' || ifnull((SELECT group_concat(xyz, ' ') FROM (SELECT n.p1 || ',' || n.p2 || ',' || "
                       "n.p3 AS xyz FROM Node n WHERE n.pathKey = p.pathKey ORDER BY n.orderNumber)), '') || '}' "
                       "FROM Path p JOIN Dataset d ON p.datasetKey = d.datasetKey WHERE p.pathName = "
                       "'RoundedSquare' AND d.datasetName = 'Demo' ORDER BY p.pathKey",
                       -1, &st, nullptr);
    std::string shape;
    while (sqlite3_step(st) == SQLITE_ROW) shape += reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    sqlite3_finalize(st);
    sqlite3_close(h);
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
    const fs::path home = dir_ / "home";
    const std::string args = "demo --quiet --home " + home.string() + " --svg " + (dir_ / "x.svg").string();
    ASSERT_EQ(vekctl(args).exitCode, 0);
    const std::string whole = demoShape(home);
    ASSERT_EQ(whole, "{8000,8000,4000 24000,8000,4000 24000,24000,4000 8000,24000,4000 8000,8000,4000}");
    // Takes the path away (0) or its last two points (1).
    auto cut = [db = (home / "data" / "vek.db").string()](int kind) {
        sqlite3* h = nullptr;
        sqlite3_open(db.c_str(), &h);
        sqlite3_exec(h,
                     (std::string("DELETE FROM Node WHERE nodeKey IN (SELECT n.nodeKey FROM Node n JOIN Path p ON "
                                  "n.pathKey = p.pathKey WHERE p.pathName = 'RoundedSquare' ORDER BY n.orderNumber "
                                  "DESC ") +
                      (kind ? "LIMIT 2)" : ")"))
                         .c_str(),
                     nullptr, nullptr, nullptr);
        if (!kind) sqlite3_exec(h, "DELETE FROM Path WHERE pathName = 'RoundedSquare'", nullptr, nullptr, nullptr);
        sqlite3_close(h);
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
    EXPECT_EQ(vekctl(args).exitCode, 0);
}
#endif
TEST_F(Vekctl, MigrateRefusesFilesOutsideTheDataFolder) {
    const fs::path home = dir_ / "home";
    fs::create_directories(home / "data");
    fs::copy_file(std::string(VEK_STAGE_DIR) + "/data/vek_v0.db", dir_ / "vek.db");
    fs::create_directory_symlink(dir_, home / "data" / "outside");
    const std::string before = readFileText((dir_ / "vek.db").string());
    for (const std::string name :
         {"../../vek.db", "/tmp/vek.db", "sub/../../../vek.db", "..\\..\\vek.db", "outside/vek.db", "."}) {
        const ProcessRun run = vekctl("migrate --home " + home.string() + " --file '" + name + "'");
        EXPECT_EQ(run.exitCode, 1) << name << ": " << run.output;
        EXPECT_TRUE(contains(run.output, "is not inside it")) << name << ": " << run.output;
    }
    EXPECT_EQ(readFileText((dir_ / "vek.db").string()), before);
    EXPECT_FALSE(fs::exists(home / "logs")) << "refused before anything is made";
}

TEST_F(Vekctl, InstallFolderComesFromTheEnvironmentOrIsRefused) {
    const std::string d = dir_.string();
    const struct {
        std::string environment;
        std::string folder;  // empty: refused
    } cases[] = {
        {"VEK_HOME=" + d + "/vek XDG_DATA_HOME=" + d + "/xdg HOME=" + d + "/user", d + "/vek"},
        {"-u VEK_HOME XDG_DATA_HOME=" + d + "/xdg HOME=" + d + "/user", d + "/xdg/vek"},
        {"-u VEK_HOME XDG_DATA_HOME=relative HOME=" + d + "/user", d + "/user/.local/share/vek"},
        {"-u VEK_HOME -u HOME XDG_DATA_HOME=" + d + "/xdg", d + "/xdg/vek"},
        {"-u VEK_HOME -u XDG_DATA_HOME -u HOME", ""},
    };
    for (const auto& c : cases) {
        const ProcessRun run = vekctl("migrate", "cd " + d + " && env " + c.environment);
        if (c.folder.empty()) {
            EXPECT_EQ(run.exitCode, 1) << run.output;
            EXPECT_TRUE(contains(run.output, "no install folder")) << run.output;
        } else {
            EXPECT_EQ(run.exitCode, 0) << c.environment << ": " << run.output;
            EXPECT_TRUE(fs::exists(c.folder + "/data/vek-v0-example.db")) << c.environment;
            fs::remove_all(c.folder);
        }
    }
    EXPECT_FALSE(fs::exists(dir_ / ".local")) << "nothing guessed in the current folder";
    EXPECT_FALSE(fs::exists(dir_ / "relative"));
    const ProcessRun help = vekctl("--help");
    for (const char* name : {"VEK_HOME", "XDG_DATA_HOME", "data/vek_v0.db"})
        EXPECT_TRUE(contains(help.output, name)) << name;
}

TEST_F(Vekctl, AnOutputThatCannotBeWrittenFailsTheRun) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    const std::string home = (dir_ / "home").string();
    for (const std::string arguments : {std::string("--help"), "migrate --home " + home,
                                        "demo --quiet --home " + home + " --svg " + (dir_ / "x.svg").string()}) {
        const ProcessRun run = vekctl(arguments, {}, "2>&1 >/dev/full");
        EXPECT_EQ(run.exitCode, 8) << arguments << ": " << run.output;
        EXPECT_TRUE(contains(run.output, "cannot write to standard output")) << arguments << ": " << run.output;
    }
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
    const ProcessRun broken = vekctl("demo --quiet --home " + home.string() + " --svg " + (dir_ / "x.svg").string());
    EXPECT_EQ(broken.exitCode, 3);
    EXPECT_NE(broken.output.find(". [file is not a database])"), std::string::npos) << broken.output;

    // A picture that cannot be written.
    const ProcessRun noPicture =
        vekctl("demo --quiet --home " + (dir_ / "ok").string() + " --svg " + (dir_ / "missing" / "x.svg").string());
    EXPECT_EQ(noPicture.exitCode, 7) << noPicture.output;
}

// chain and send against the emulator on a pseudo-terminal: every motor
// with its position and status, then the count; one command's answer;
// refused texts, missing ports and options with their exit codes.
TEST_F(Vekctl, ChainAndSendOverTheEmulator) {
    emulator::EmulatorOptions options;
    options.motors = 2;
    emulator::ChainEmulator chain(options);
    chain.start();
    chain.withMotor(2, [](emulator::EmulatedMotor& m) { m.place(-250); });
    const std::string port = " --port " + chain.portPath();
    const auto chained = vekctl("chain" + port + " --baud 38400");
    EXPECT_EQ(chained.exitCode, 0) << chained.output;
    EXPECT_EQ(chained.output,
              "motor 1  position 0  status 0 (none)\n"
              "motor 2  position -250  status 0 (none)\n"
              "2 motors\n");
    EXPECT_EQ(chain.motorBaud(1), 9600) << "the chain is left at its power-up rate";
    const auto sentQuery = vekctl("send" + port + " 2RP", {}, "2>/dev/null");
    EXPECT_EQ(std::to_string(sentQuery.exitCode) + " " + sentQuery.output, "0 -250\n");
    const auto refused = vekctl("send" + port + " 9RP");
    EXPECT_EQ(refused.exitCode, 10);
    EXPECT_NE(refused.output.find("error 11: The command \"9RP\" does not start"), std::string::npos) << refused.output;
    const auto missing = vekctl("chain --port /dev/vek-no-such-port");
    EXPECT_EQ(missing.exitCode, 4);
    EXPECT_NE(missing.output.find("[Cannot open /dev/vek-no-such-port (No such file or directory).]"),
              std::string::npos);
    {
        // The port held here keeps another process off it.
        const auto held = SerialPort::open(chain.portPath(), {});
        const auto busy = vekctl("send" + port + " 2RP");
        EXPECT_EQ(busy.exitCode, 4);
        EXPECT_NE(busy.output.find("Can't open serial port. Check that other application is not using the same port. "
                                   "[Cannot open " +
                                   chain.portPath() + " ("),
                  std::string::npos)
            << busy.output;
    }
    EXPECT_EQ(vekctl("chain").exitCode, 1);
    EXPECT_EQ(vekctl("send" + port).exitCode, 1);
    // The machine's own ports, counted last (a container may have none).
    const auto ports = vekctl("ports");
    EXPECT_EQ(ports.exitCode, 0);
    EXPECT_TRUE(ports.output.ends_with(" serial ports\n") || ports.output.ends_with(" serial port\n")) << ports.output;
    const auto noDemo = vekctl("demo --quiet --home " + (dir_ / "serial").string() + " --port /dev/vek-no-such-port");
    EXPECT_EQ(noDemo.exitCode, 4) << noDemo.output;
    EXPECT_NE(noDemo.output.find("cannot open the serial chain on /dev/vek-no-such-port ("), std::string::npos)
        << noDemo.output;
    EXPECT_EQ(vekctl("chain" + port + " --max 9").exitCode, 1);
}

}  // namespace
}  // namespace vek::test
