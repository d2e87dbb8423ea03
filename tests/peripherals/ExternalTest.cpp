// External against load-cell drivers that the tests build as shared
// libraries and vek loads with dlopen: the fields it sets and in which
// order, readings, the driver's failures, a missing library and one that
// lacks a function, each reported once per process.
#include <dlfcn.h>

#include <filesystem>

#include "support/Each.h"
#include "support/LogLines.h"
#include "support/TempInstall.h"
#include "vek/foundation/Log.h"
#include "vek/peripherals/External.h"

namespace fs = std::filesystem;

namespace vek::test {
namespace {

const std::string kDrivers = std::string(VEK_TEST_DRIVER_DIR) + "/";
const std::string kComplete = kDrivers + "libvek_loadcell_complete.so";
const std::string kEnding = "We are ending the program because Cannot Load instruNet Driver (is file '";

// The recording driver's own controls, reached through the handle the
// process already holds.
class RecordingDriver {
public:
    RecordingDriver() : library_(::dlopen(kComplete.c_str(), RTLD_NOW)) {
        if (!library_) throw std::runtime_error(::dlerror());
        calls_ = reinterpret_cast<const char* (*)()>(::dlsym(library_, "recordedLoadCellCalls"));
        fail_ = reinterpret_cast<void (*)(const char*)>(::dlsym(library_, "failLoadCellCalls"));
        fail("");
        calls();
    }
    ~RecordingDriver() { ::dlclose(library_); }
    std::string calls() const { return calls_(); }
    void fail(const char* which) const { fail_(which); }

private:
    void* library_;
    const char* (*calls_)() = nullptr;
    void (*fail_)(const char*) = nullptr;
};

class LoadCell : public DeveloperTest {
protected:
    // `library` under a name of this test's own: vek loads each driver name
    // once per process, the system's loader hands back the library it holds.
    std::string freshName(const std::string& library, const std::string& name) const {
        const fs::path link = fs::path(install_->path()) / name;
        fs::create_symlink(library, link);
        return link.string();
    }
    RecordingDriver driver_;
};

TEST_F(LoadCell, SetsTheBridgeFieldsInOrderReadsAndCloses) {
    const std::string driver = freshName(kComplete, "libcomplete.so");
    External cell(driver);
    EXPECT_TRUE(loggedAt(messages(), "Initializing External subsystem", LogLevel::DEVELOPER));
    ASSERT_TRUE(cell.InitializeLoadCell(2, 3, 0.5f, 2.204f, 0.02));
    EXPECT_EQ(driver_.calls(),
              "load|1,2,1,3 -3/1=16|1,2,1,3 -3/5=4|1,2,1,3 -3/2=5|1,2,1,3 -3/3=1|1,2,1,3 -3/4=0.0199999995529652|"
              "1,2,1,3 -4/1=350|1,2,1,3 -4/5=45.3591995239258|1,2,1,3 -4/2=5000|1,2,1,3 -4/6=0|1,2,1,3 -4/3=4.5|"
              "1,2,1,3 -4/7=4.41000011051074E-05|1,2,1,3 -4/4=0|1,2,1,3 -4/8=0.319999992847443|"
              "1,2,1,3 -20/6=0.5|1,2,1,3 -20/5=2.2039999961853");
    EXPECT_FLOAT_EQ(cell.GetLoadCellReading(2, 3), 15.5f);
    EXPECT_EQ(driver_.calls(), "address 1,2,1,3|read 3 -6/1");
    // A second object of the same driver finds it loaded.
    External(driver).FinalizeLoadCell();
    EXPECT_EQ(driver_.calls(), "close");
    EXPECT_EQ(countLogged(messages(), "Failed to initialize loadcell."), 0);
}

TEST_F(LoadCell, DriverFailuresAreLoggedAndGiveFalseOrZero) {
    External cell(kComplete);
    struct Case {
        const char* failing;
        int16_t channel;
        bool initialized;
        float reading;
        const char* logged;
    };
    const std::vector<Case> cases = {
        {"set", 3, false, 15.5f, "Failed to initialize loadcell."},
        {"address", 4, true, 0, "Failed to open channel 4|Failed to read from channel 4"},
        {"read", 5, true, 0, "Failed to read from channel 5"},
        {"", 256, false, 0,
         "Failed to initialize loadcell.|Failed to open channel 256|Failed to read from channel 256"},
    };
    for (const Case& c : cases) {
        driver_.fail(c.failing);
        clearMessages();
        EXPECT_EQ(cell.InitializeLoadCell(1, c.channel), c.initialized) << c.failing;
        EXPECT_EQ(cell.GetLoadCellReading(1, c.channel), c.reading) << c.failing;
        std::string errors;
        for (const auto& [text, level] : messages())
            if (level == LogLevel::Error) errors += (errors.empty() ? "" : "|") + text;
        EXPECT_EQ(errors, c.logged) << c.failing;
    }
}

TEST_F(LoadCell, AMissingOrIncompleteDriverIsReportedOncePerProcess) {
    // No library, one lacking GetField_flt32, and the recording driver whose
    // loading fails.
    driver_.fail("load");
    const std::vector<std::string> names = {install_->path() + "/libno-such-driver.so",
                                            freshName(kDrivers + "libvek_loadcell_partial.so", "libpartial.so"),
                                            freshName(kComplete, "librefusing.so")};
    for (int round = 0; round < 2; ++round) {
        for (const std::string& name : names) {
            External cell(name);
            EXPECT_FALSE(cell.InitializeLoadCell(1, 1)) << name;
            EXPECT_EQ(cell.GetLoadCellReading(1, 1), 0.0f) << name;
            cell.FinalizeLoadCell();
        }
    }
    for (const std::string& name : names) EXPECT_EQ(countLogged(messages(), kEnding + name + "' not installed?)."), 1);
    EXPECT_EQ(countLogged(messages(), "The load cell driver " + names[1] + " lacks the function GetField_flt32."), 1);
    EXPECT_EQ(countLogged(messages(), "Failed to initialize loadcell."), 6);
    // The refusing driver was told to load once and then closed.
    EXPECT_EQ(driver_.calls(), "load|close");
}

}  // namespace
}  // namespace vek::test
