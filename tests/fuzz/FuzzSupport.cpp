#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "support/TempInstall.h"
#include "vek/foundation/EventLoop.h"
#include "vek/motion/Runtime.h"
#include "vek/persistence/Database.h"

namespace fs = std::filesystem;

namespace vek::fuzz {

namespace {
std::unique_ptr<test::TempInstall>& install() {
    static std::unique_ptr<test::TempInstall> folder;
    return folder;
}
}  // namespace

void startVek() {
    if (install()) return;
    std::error_code ec;
    if (!std::getenv("TMPDIR") && fs::is_directory("/dev/shm", ec)) ::setenv("TMPDIR", "/dev/shm", 1);
    install() = std::make_unique<test::TempInstall>();
    // Millions of runs log millions of lines: the log keeps its code path
    // and writes nowhere.
    fs::create_directories(installFile("logs"));
    fs::create_symlink("/dev/null", installFile("logs/logs.txt"));
    eventLoop().setClock(std::make_shared<ManualClock>());
    startUp();
    std::atexit([] {
        shutDown();
        install().reset();
    });
}

std::string installFile(const std::string& relative) {
    return install()->file(relative);
}

std::shared_ptr<Database> openDatabase() {
    auto database = std::make_shared<Database>();
    database->openDatabase("vek.db");
    database->Connection()->execute("PRAGMA synchronous = OFF");
    return database;
}

std::vector<std::string> lines(const uint8_t* data, std::size_t size, std::size_t maxLines) {
    std::vector<std::string> out;
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (start <= text.size() && out.size() < maxLines) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(std::move(line));
        start = end + 1;
    }
    return out;
}

void fail(const char* what) {
    std::fprintf(stderr, "vek fuzz check failed: %s\n", what);
    std::abort();
}

}  // namespace vek::fuzz
