#pragma once
// The install folders the benchmarks work in.
#include <unistd.h>

#include <filesystem>
#include <functional>
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

// A temporary install folder "vek-bench-NAME-<pid>" holding a copy of the
// staged data folder, which `prepare` may change before vek starts on it;
// vek is shut down and the folder removed at the end.
class StagedInstall {
public:
    explicit StagedInstall(const std::string& name, const std::function<void(const fs::path& data)>& prepare = {}) {
        path_ = fs::temp_directory_path() / ("vek-bench-" + name + "-" + std::to_string(::getpid()));
        fs::remove_all(path_);
        fs::create_directories(path_);
        fs::copy(std::string(VEK_STAGE_DIR) + "/data", path_ / "data", fs::copy_options::recursive);
        if (prepare) prepare(path_ / "data");
        vek::setInstallFolder(path_.string());
        vek::startUp();
    }
    ~StagedInstall() {
        vek::shutDown();
        vek::setInstallFolder("");
        fs::remove_all(path_);
    }
    StagedInstall(const StagedInstall&) = delete;
    StagedInstall& operator=(const StagedInstall&) = delete;

private:
    fs::path path_;
};

// The event loop on a manual clock for as long as it lives.
class ManualTime {
public:
    ManualTime() { vek::eventLoop().setClock(clock_); }
    ~ManualTime() { vek::eventLoop().setClock(nullptr); }
    ManualTime(const ManualTime&) = delete;
    ManualTime& operator=(const ManualTime&) = delete;

private:
    std::shared_ptr<vek::ManualClock> clock_ = std::make_shared<vek::ManualClock>();
};

// A temporary install with three SmartMotor axes, loaded and connected, in
// virtual time.
class Install {
public:
    Install() {
        auto& slides = *vek::runtime().linearSlides;
        slides.setIsSimulation(true);
        slides.setIsSimulationMute(true);
        slides.databaseRelatedInit("vek.db");
        slides.openConnection(9600, "SIM");
    }

private:
    static void addSmartMotorAxes(const fs::path& data) {
        vek::DbConnection db;
        db.open((data / "vek.db").string());
        db.execute(
            "INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) "
            "VALUES ('SM-BENCH', 10, 200, 80, 900, 1)");
        db.execute("UPDATE Motor SET slideKey = ?", {vek::DbValue(db.lastInsertKey())});
        db.execute("UPDATE Config SET keyValue = '3' WHERE keyName = 'softwareMotors'");
    }

    // Shut down before the clock goes back: members end in reverse order.
    ManualTime time_;
    StagedInstall staged_{"install", addSmartMotorAxes};
};

}  // namespace
