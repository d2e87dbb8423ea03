// `vekctl panel` and `vekctl io` as processes: mbpoll plays the panel, and
// the I/O list reads the simulated states and a Modbus TCP coupler.
#include <gtest/gtest.h>

#include <filesystem>

#include "ModbusPeers.h"
#include "support/TempInstall.h"
#include "vek/persistence/DbConnection.h"

namespace vek::test {
namespace {

namespace fs = std::filesystem;

class VekctlPanel : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vekctl-panel-XXXXXX").string();
        ASSERT_TRUE(::mkdtemp(pattern.data()));
        home_ = pattern;
        fs::create_directories(home_ / "data");
        fs::copy_file(fs::path(VEK_STAGE_DIR) / "data/vek.db", db());
        useFreePanelPort(db());
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(home_, ec);
    }
    std::string db() const { return (home_ / "data/vek.db").string(); }
    void execute(const std::string& sql, const std::vector<DbValue>& values = {}) {
        DbConnection c;
        c.open(db());
        c.execute(sql, values);
    }
    std::vector<std::string> vekctl(const std::string& command, const std::vector<std::string>& options = {}) {
        std::vector<std::string> args{std::string(VEK_BIN_DIR) + "/vekctl", command, "--home", home_.string()};
        args.insert(args.end(), options.begin(), options.end());
        return args;
    }

    fs::path home_;
};

// The panel prints what masters write, serves reads, and stops at Ctrl+C; a
// port in use or no port at all is refused with its own exit code.
TEST_F(VekctlPanel, ServesMastersUntilInterrupted) {
    Process panel(vekctl("panel", {"--port", "0"}));
    const std::string banner = panel.waitFor("Ctrl+C stops.\n");
    const auto at = banner.find("on port ");
    ASSERT_NE(at, std::string::npos) << banner;
    const int port = std::stoi(banner.substr(at + 8));
    EXPECT_EQ(mbpoll(port, {"-t", "0", "-r", "6"}, {"1"}).code, 0);
    EXPECT_EQ(mbpoll(port, {"-t", "4:int", "-B", "-r", "7"}, {"--", "-5"}).code, 0);
    EXPECT_EQ(polled(mbpoll(port, {"-t", "0", "-r", "5", "-c", "2"}).out), "5=0 6=1");
    panel.waitFor("register 3 = -5\n");
    panel.signal(SIGINT);
    const ProcessResult served = panel.finish();
    EXPECT_EQ(served.code, 0);
    EXPECT_EQ(served.out.substr(banner.size()), "binary 5 = 1\nregister 3 = -5\nPanel stopped.\n");

    const Coupler other;
    const ProcessResult busy = runWhileServing(vekctl("panel", {"--port", std::to_string(other.port())}));
    EXPECT_EQ(busy.code, 11);
    EXPECT_EQ(busy.out,
              "vekctl: the panel cannot listen on port " + std::to_string(other.port()) + " (see logs/logs.txt)\n");
    for (const char* port : {"65536", "-1", "1.5", ""})
        EXPECT_EQ(runWhileServing(vekctl("panel", {"--port", port})).code, 1) << port;
}

// The configured inputs and outputs in table order, with their states:
// simulated, on a coupler that answers, and without one.
TEST_F(VekctlPanel, IoListsTheConfiguredIOWithTheirStates) {
    EXPECT_EQ(runWhileServing(vekctl("io")).out,
              "External I/O: simulated (softwareMotors is not 0)\n"
              "No inputs or outputs are configured (table IO is empty).\n");
    execute("INSERT INTO IO (ioNumber, ioName, ioType) VALUES (1, 'Lamp', 2), (2, 'Door', 1), (1, 'Start', 1)");
    const std::string rows =
        "Digital Input     2  Door                    %\n"
        "Digital Input     1  Start                   %\n"
        "Digital Output    1  Lamp                    %\n";
    const auto states = [&](const std::vector<std::string>& s) {
        std::string text = rows;
        for (const auto& state : s) text.replace(text.find('%'), 1, state);
        return text;
    };
    EXPECT_EQ(runWhileServing(vekctl("io")).out,
              "External I/O: simulated (softwareMotors is not 0)\n" + states({"off", "off", "off"}));

    const Coupler coupler({"i1", "c16"});  // input 2; output 1, after the one input block
    ASSERT_TRUE(coupler.ready());
    const std::string address = coupler.address();
    execute("UPDATE Config SET keyValue = '0' WHERE keyName = 'softwareMotors'");
    execute("INSERT INTO Config (keyName, keyValue) VALUES ('ioIP', ?), ('ioInBlocks', '1'), ('ioOutBlocks', '1')",
            {address});
    EXPECT_EQ(
        runWhileServing(vekctl("io")).out,
        "External I/O: device " + address + ", found; 1 input blocks, 1 output blocks\n" + states({"on", "off", "on"}));
    execute("UPDATE Config SET keyValue = ? WHERE keyName = 'ioIP'", {"127.0.0.1:" + std::to_string(freePort())});
    const std::string none = runWhileServing(vekctl("io")).out;
    EXPECT_NE(none.find(", not found; "), std::string::npos) << none;
    EXPECT_NE(none.find(states({"unknown (no device)", "unknown (no device)", "unknown (no device)"})),
              std::string::npos)
        << none;
}

}  // namespace
}  // namespace vek::test
