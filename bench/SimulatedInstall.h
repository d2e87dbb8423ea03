#pragma once
// The install the benchmarks of the simulated gantry share.
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "vek/foundation/EventLoop.h"
#include "vek/foundation/InstallFolder.h"
#include "vek/motion/LinearSlides.h"
#include "vek/motion/Runtime.h"
#include "vek/persistence/DbConnection.h"
#include "vek/persistence/DbValue.h"

namespace {

namespace fs = std::filesystem;

// A temporary install with three SmartMotor axes, loaded and connected.
class Install {
public:
    Install() {
        path_ = fs::temp_directory_path() / ("vek-bench-install-" + std::to_string(::getpid()));
        fs::remove_all(path_);
        fs::create_directories(path_);
        fs::copy(std::string(VEK_STAGE_DIR) + "/data", path_ / "data", fs::copy_options::recursive);
        {
            vek::DbConnection db;
            db.open((path_ / "data" / "vek.db").string());
            db.execute(
                "INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) "
                "VALUES ('SM-BENCH', 10, 200, 80, 900, 1)");
            db.execute("UPDATE Motor SET slideKey = ?", {vek::DbValue(db.lastInsertKey())});
            db.execute("UPDATE Config SET keyValue = '3' WHERE keyName = 'softwareMotors'");
        }
        vek::setInstallFolder(path_.string());
        clock_ = std::make_shared<vek::ManualClock>();
        vek::eventLoop().setClock(clock_);
        vek::startUp();
        auto& slides = *vek::runtime().linearSlides;
        slides.setIsSimulation(true);
        slides.setIsSimulationMute(true);
        slides.databaseRelatedInit("vek.db");
        slides.openConnection(9600, "SIM");
    }
    ~Install() {
        vek::shutDown();
        vek::eventLoop().setClock(nullptr);
        vek::setInstallFolder("");
        fs::remove_all(path_);
    }

private:
    fs::path path_;
    std::shared_ptr<vek::ManualClock> clock_;
};

}  // namespace
