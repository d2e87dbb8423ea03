#include "DemoInstall.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace vekctl {

std::string defaultHome() {
    if (const char* home = std::getenv("VEK_HOME"); home && *home) return home;
    // A relative XDG_DATA_HOME is invalid and ignored, as the XDG base
    // directory rules say.
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/') return std::string(data) + "/vek";
    if (const char* user = std::getenv("HOME"); user && *user) return std::string(user) + "/.local/share/vek";
    return {};
}

std::string prepareHome(const std::string& home, const std::string& stagedData) {
    std::error_code ec;
    for (const char* sub : {"data", "logs", "programs"}) {
        fs::create_directories(fs::path(home) / sub, ec);
        if (ec) return "cannot create " + (fs::path(home) / sub).string() + ": " + ec.message();
    }
    if (!fs::is_directory(stagedData, ec)) return "the staged data folder " + stagedData + " is missing";
    for (auto it = fs::recursive_directory_iterator(stagedData, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        const fs::path relative = fs::relative(it->path(), stagedData, ec);
        if (ec) break;
        const fs::path target = fs::path(home) / "data" / relative;
        if (it->is_directory()) {
            fs::create_directories(target, ec);
        } else if (!fs::exists(target)) {
            fs::copy_file(it->path(), target, fs::copy_options::skip_existing, ec);
        }
        if (ec) return "cannot copy " + it->path().string() + " to " + target.string() + ": " + ec.message();
    }
    if (ec) return "cannot read " + stagedData + ": " + ec.message();
    return {};
}

}  // namespace vekctl
