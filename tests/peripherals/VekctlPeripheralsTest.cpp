// `vekctl import`, `vision` and `loadcell` as processes: what they print and
// their exit codes, on the fixtures, a camera stub and the built-in and
// missing load-cell drivers.
#include "CameraStub.h"
#include "support/Vekctl.h"

namespace vek::test {
namespace {

const std::string kFixtures = std::string(VEK_SOURCE_DIR) + "/tests/peripherals/fixtures/";

class VekctlPeripherals : public VekctlHome {
protected:
    // Runs `vekctl arguments --home <home>`; its output, with exit_ set.
    std::string run(const std::string& arguments) {
        const VekctlRun done = runVekctl(arguments + " --home " + home_.string());
        exit_ = done.exitCode;
        return done.output;
    }
    int exit_ = -1;
};

TEST_F(VekctlPeripherals, ImportPrintsAndStoresPoints) {
    struct Case {
        std::string arguments;
        int exit;
        std::string ending;
    };
    const std::vector<Case> cases = {
        {"import " + kFixtures + "chain_r12.dxf", 0, "0 8000 2000 counts = 0 20 5 mm\n4 points\n"},
        {"import " + kFixtures + "points.txt --store Imported.Table", 0, "3 points\nStored as Imported.Table\n"},
        {"import " + kFixtures + "points.txt --store Imported.Table", 3,
         "vekctl: the points were not stored as Imported.Table\n"},
        {"import " + kFixtures + "points.txt --store NoDot", 3, "vekctl: the points were not stored as NoDot\n"},
        {"import " + kFixtures + "points.DxF", 12, "text table .txt is read)\n"},
        {"import /etc/hostname.txt", 12, "text table .txt is read)\n"},
        {"import", 1, "Try 'vekctl --help'.\n"},
    };
    for (const Case& c : cases) {
        const std::string out = run(c.arguments);
        EXPECT_EQ(exit_, c.exit) << c.arguments << "\n" << out;
        EXPECT_TRUE(out.ends_with(c.ending)) << c.arguments << "\n" << out;
    }
}

TEST_F(VekctlPeripherals, LoadCellAndCamera) {
    std::string out = run("loadcell --driver simulated --offset 1.5 --readings 2");
    EXPECT_EQ(exit_, 0);
    EXPECT_EQ(out, "driver simulated, device 1, channel 1\n1.5\n1.5\n");
    out = run("loadcell");  // the database names the default driver, which this machine lacks
    EXPECT_EQ(exit_, 9);
    EXPECT_NE(out.find("Cannot Load instruNet Driver (is file 'libinet32.so' not installed?)."), std::string::npos)
        << out;
    run("loadcell --channel x");
    EXPECT_EQ(exit_, 1);

    CameraStub camera([](const std::string& line) { return line == "SE8" ? "1\r\n" : "1\r\n" + line + "\r\n"; });
    out = run("vision 127.0.0.1 " + std::to_string(static_cast<uint16_t>(camera.port())) + " A5 B042");
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
