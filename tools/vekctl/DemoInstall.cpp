#include "DemoInstall.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "Demo.h"
#include "vek/vek.h"

namespace fs = std::filesystem;

namespace vekctl {

namespace {
// Copies `from` to `to` unless `to` exists, so that no one ever sees `to`
// half written: a vekctl started at the same moment would open a database
// that is still being copied. The copy is made under a name of this process
// and linked into place, which fails harmlessly when another one came first
// (a file system without links gets a plain copy).
void copyWhole(const fs::path& from, const fs::path& to, std::error_code& ec) {
    const fs::path part = to.string() + ".part" + std::to_string(::getpid());
    fs::copy_file(from, part, fs::copy_options::overwrite_existing, ec);
    const bool linked = !ec && (::link(part.c_str(), to.c_str()) == 0 || errno == EEXIST);
    std::error_code ignored;
    fs::remove(part, ignored);
    if (!ec && !linked) fs::copy_file(from, to, fs::copy_options::skip_existing, ec);
}
}  // namespace

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
            copyWhole(it->path(), target, ec);
        }
        if (ec) return "cannot copy " + it->path().string() + " to " + target.string() + ": " + ec.message();
    }
    if (ec) return "cannot read " + stagedData + ": " + ec.message();
    return {};
}

int openSimulatedGantry(const std::string& home, bool realTime, bool sound, const std::function<void()>& started) {
    const std::string staged = vek::installSubfolder(vek::InstallSubfolder::data);
    if (const std::string problem = prepareHome(home, staged); !problem.empty()) {
        std::cerr << "vekctl: " << problem << "\n";
        return Exit::INSTALL;
    }
    vek::setInstallFolder(home);
    if (!realTime) vek::eventLoop().setClock(std::make_shared<vek::ManualClock>());
    const vek::Server server;
    if (started) started();
    auto slides = server.getLinearSlides();
    slides->setIsSimulation(true);
    slides->setIsSimulationMute(!sound);
    try {
        slides->databaseRelatedInit("vek.db");
    } catch (const vek::NumberedError& e) {
        std::cerr << "vekctl: cannot load " << home << "/data/vek.db (error " << e.number() << ": " << e.description()
                  << ")\n";
        return Exit::DATABASE;
    }
    try {
        slides->openConnection(9600, "SIM");
    } catch (const vek::NumberedError& e) {
        std::cerr << "vekctl: cannot open the simulated chain (error " << e.number() << ": " << e.description()
                  << ")\n";
        return Exit::CONNECTION;
    }
    return Exit::OK;
}

}  // namespace vekctl
