#include "Migrate.h"

#include <filesystem>
#include <iostream>
#include <system_error>

#include "Demo.h"
#include "DemoInstall.h"
#include "vek/foundation/InstallFolder.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/LogMessage.h"
#include "vek/motion/Runtime.h"
#include "vek/persistence/Database.h"

namespace fs = std::filesystem;

namespace vekctl {

namespace {

constexpr const char* kExample = "vek-v0-example.db";
constexpr const char* kShippedOldFile = "vek_v0.db";

// "datasets/paths/points" of the open file.
std::string countsOf(vek::Database& db) {
    std::string counts;
    db.Connection()->forEachRow(
        "SELECT (SELECT count(*) FROM Dataset), (SELECT count(*) FROM Path), (SELECT count(*) FROM Node)", {},
        [&](const vek::DbRow& row) {
            counts = std::to_string(row.toInt64(0)) + " datasets, " + std::to_string(row.toInt64(1)) + " paths, " +
                     std::to_string(row.toInt64(2)) + " points";
        });
    return counts;
}

// Whether `name` is a file inside `folder` once backslashes are read as "/"
// (as the library reads them) and "..", and symbolic links that exist, are
// followed.
bool insideFolder(const fs::path& folder, const std::string& name) {
    const std::string native = vek::toNativePath(name);
    if (native.empty() || native.front() == '/') return false;
    std::error_code ec;
    const fs::path base = fs::weakly_canonical(folder, ec);
    if (ec) return false;
    const fs::path target = fs::weakly_canonical(folder / native, ec);
    if (ec) return false;
    const fs::path relative = target.lexically_relative(base);
    return !relative.empty() && *relative.begin() != ".." && relative != ".";
}

}  // namespace

int runMigrate(const MigrateOptions& options) {
    const fs::path data = fs::path(options.home) / "data";
    if (!options.file.empty() && !insideFolder(data, options.file)) {
        std::cerr << "vekctl: --file must name a file in the data folder " << data.string() << "; '" << options.file
                  << "' is not inside it\nTry 'vekctl --help'.\n";
        return Exit::USAGE;
    }
    const std::string staged = vek::installSubfolder(vek::InstallSubfolder::data);
    if (const std::string problem = prepareHome(options.home, staged); !problem.empty()) {
        std::cerr << "vekctl: " << problem << "\n";
        return Exit::INSTALL;
    }
    std::string name = options.file;
    if (name.empty()) {
        name = kExample;
        std::error_code ec;
        fs::copy_file(fs::path(staged) / kShippedOldFile, data / name, fs::copy_options::overwrite_existing, ec);
        if (ec) {
            std::cerr << "vekctl: cannot copy the version-0 example to " << (data / name).string() << ": "
                      << ec.message() << "\n";
            return Exit::INSTALL;
        }
    }
    vek::setInstallFolder(options.home);
    vek::startUp();
    // The upgrade's own log lines, without the developer level.
    auto shown = vek::runtime().log->messagedLogged.connect([](std::string& message, int16_t& level) {
        if (level < vek::LogLevel::DEVELOPER) std::cout << "  | " << message << "\n";
    });
    int code = Exit::OK;
    try {
        vek::Database db;
        db.openDatabase(name);
        const int16_t before = db.storedVersion();  // says why when the file cannot be read
        std::cout << "Database " << options.home << "/data/" << name << ": version " << before << ", " << countsOf(db)
                  << "\n";
        db.checkVersion();
        std::cout << "Now version " << db.Version() << ", " << countsOf(db) << "\n";
    } catch (const std::exception& e) {
        std::cerr << "vekctl: the database could not be upgraded (" << e.what() << ")\n";
        code = Exit::DATABASE;
    }
    shown.disconnect();
    vek::shutDown();
    return code;
}

}  // namespace vekctl
