#include "support/TempInstall.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "vek/foundation/EventLoop.h"
#include "vek/foundation/InstallFolder.h"
#include "vek/foundation/Log.h"
#include "vek/motion/Runtime.h"
#include "vek/persistence/DbConnection.h"
#include "vek/persistence/User.h"

namespace fs = std::filesystem;

namespace vek::test {

TempInstall::TempInstall() {
    std::string pattern = (fs::temp_directory_path() / "vek-test-XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    if (!made) throw std::runtime_error("cannot create a temporary install folder");
    path_ = made;
    fs::copy(std::string(VEK_STAGE_DIR) + "/data", path_ + "/data", fs::copy_options::recursive);
    useFreePanelPort(path_ + "/data/vek.db");
    setInstallFolder(path_);
}

TempInstall::~TempInstall() {
    setInstallFolder("");
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void VekTest::SetUp() {
    shutDown();
    install_ = std::make_unique<TempInstall>();
    clock_ = std::make_shared<ManualClock>();
    eventLoop().setClock(clock_);
    startUp();
    collectLog();
}

void DeveloperTest::SetUp() {
    VekTest::SetUp();
    runtime().user->setUserRole(UserRoles::DEVELOPER);
}

void VekTest::collectLog() {
    auto messages = messages_;
    runtime().log->messagedLogged.connect(
        [messages](std::string& message, int16_t& level) { messages->emplace_back(message, level); });
}

void VekTest::TearDown() {
    shutDown();
    eventLoop().setClock(nullptr);
    install_.reset();
}

bool VekTest::logged(const std::string& text) const {
    for (const auto& [m, l] : *messages_)
        if (m == text) return true;
    return false;
}

std::string VekTest::logFileText() const {
    return readFileText(Log::logFilePath());
}

void useFreePanelPort(const std::string& databaseFile) {
    DbConnection db;
    db.open(databaseFile);
    db.execute("INSERT INTO Config (keyName, keyValue) VALUES ('hmiPort', '0')");
}

std::string readFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace vek::test
