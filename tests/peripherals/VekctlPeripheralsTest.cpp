// vekctl's peripheral commands as processes: `panel` served to mbpoll, `io`
// on the simulated states and a Modbus TCP coupler, `import` on the
// fixtures, `vision` on a camera stub, `loadcell` on the built-in and a
// missing driver; what they print and their exit codes.
#include <gtest/gtest.h>

#include "CameraStub.h"
#include "ModbusPeers.h"
#include "support/SqlFile.h"
#include "support/Vekctl.h"

namespace vek::test {
namespace {

const std::string kFixtures = std::string(VEK_SOURCE_DIR) + "/tests/peripherals/fixtures/";

class VekctlPeripherals : public VekctlHome {
protected:
    void SetUp() override {
        VekctlHome::SetUp();
        db_ = withDatabase();
    }
    std::string db_;
};

// The panel prints what masters write, serves reads, and stops at Ctrl+C; a
// port in use or no port at all is refused with its own exit code.
TEST_F(VekctlPeripherals, PanelServesMastersUntilInterrupted) {
    Process panel({std::string(VEK_BIN_DIR) + "/vekctl", "panel", "--port", "0", "--home", home_.string()});
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

    const Listener other;
    EXPECT_EQ(run("panel --port " + std::to_string(other.port)),
              "vekctl: the panel cannot listen on port " + std::to_string(other.port) + " (see logs/logs.txt)\n");
    EXPECT_EQ(exit_, 11);
    for (const char* port : {"65536", "-1", "1.5", "''"}) {
        run(std::string("panel --port ") + port);
        EXPECT_EQ(exit_, 1) << port;
    }
}

// The configured inputs and outputs in table order, with their states:
// simulated, on a coupler that answers, and without one.
TEST_F(VekctlPeripherals, IoListsTheConfiguredIOWithTheirStates) {
    EXPECT_EQ(run("io"),
              "External I/O: simulated (softwareMotors is not 0)\n"
              "No inputs or outputs are configured (table IO is empty).\n");
    rowsOf(db_, "INSERT INTO IO (ioNumber, ioName, ioType) VALUES (1, 'Lamp', 2), (2, 'Door', 1), (1, 'Start', 1)");
    const auto states = [](const std::string& input2, const std::string& input1, const std::string& output1) {
        return "Digital Input     2  Door                    " + input2 +
               "\nDigital Input     1  Start                   " + input1 +
               "\nDigital Output    1  Lamp                    " + output1 + "\n";
    };
    EXPECT_EQ(run("io"), "External I/O: simulated (softwareMotors is not 0)\n" + states("off", "off", "off"));

    const Coupler coupler({"i1", "c16"});  // input 2; output 1, after the one input block
    ASSERT_TRUE(coupler.ready());
    const std::string address = coupler.address();
    rowsOf(db_,
           "UPDATE Config SET keyValue = '0' WHERE keyName = 'softwareMotors'; INSERT INTO Config (keyName, "
           "keyValue) VALUES ('ioIP', '" +
               address + "'), ('ioInBlocks', '1'), ('ioOutBlocks', '1')");
    EXPECT_EQ(run("io"), "External I/O: device " + address + ", found; 1 input blocks, 1 output blocks\n" +
                             states("on", "off", "on"));
    rowsOf(db_, "UPDATE Config SET keyValue = '127.0.0.1:" + std::to_string(freePort()) + "' WHERE keyName = 'ioIP'");
    const std::string none = run("io");
    EXPECT_NE(none.find(", not found; "), std::string::npos) << none;
    const std::string unknown = "unknown (no device)";
    EXPECT_NE(none.find(states(unknown, unknown, unknown)), std::string::npos) << none;
}

TEST_F(VekctlPeripherals, ImportPrintsAndStoresPoints) {
    const std::pair<std::string, std::pair<int, std::string>> cases[] = {
        // arguments, exit code and the end of the output
        {"import " + kFixtures + "chain_r12.dxf", {0, "0 8000 2000 counts = 0 20 5 mm\n4 points\n"}},
        {"import " + kFixtures + "points.txt --store Imported.Table", {0, "3 points\nStored as Imported.Table\n"}},
        {"import " + kFixtures + "points.txt --store Imported.Table",
         {3, "vekctl: the points were not stored as Imported.Table\n"}},
        {"import " + kFixtures + "points.txt --store NoDot", {3, "vekctl: the points were not stored as NoDot\n"}},
        {"import " + kFixtures + "points.DxF", {12, "text table .txt is read)\n"}},
        {"import /etc/hostname.txt", {12, "text table .txt is read)\n"}},
        {"import", {1, "Try 'vekctl --help'.\n"}},
    };
    for (const auto& [arguments, expected] : cases) {
        const std::string out = run(arguments);
        EXPECT_EQ(exit_, expected.first) << arguments << "\n" << out;
        EXPECT_TRUE(out.ends_with(expected.second)) << arguments << "\n" << out;
    }
}

TEST_F(VekctlPeripherals, LoadCellAndCamera) {
    EXPECT_EQ(run("loadcell --driver simulated --offset 1.5 --readings 2"),
              "driver simulated, device 1, channel 1\n1.5\n1.5\n");
    EXPECT_EQ(exit_, 0);
    // The database names the default driver, which this machine lacks.
    EXPECT_NE(run("loadcell").find("Cannot Load instruNet Driver (is file 'libinet32.so' not installed?)."),
              std::string::npos);
    EXPECT_EQ(exit_, 9);
    run("loadcell --channel x");
    EXPECT_EQ(exit_, 1);

    CameraStub camera([](const std::string& line) { return line == "SE8" ? "1\r\n" : "1\r\n" + line + "\r\n"; });
    const std::string out =
        run("vision 127.0.0.1 " + std::to_string(static_cast<uint16_t>(camera.port())) + " A5 B042");
    EXPECT_EQ(exit_, 0) << out;
    EXPECT_TRUE(
        out.ends_with("A5 = gvA005\nVision response string 1\r\ngvB042\r\n\nVision - command successful\n"
                      "B042 = gvB042\n"))
        << out;
    EXPECT_EQ(camera.received(), "SE8|gvA005|gvB042");
    run("vision 127.0.0.1 70000");
    EXPECT_EQ(exit_, 1);
}

}  // namespace
}  // namespace vek::test
