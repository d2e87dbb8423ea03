#include "DemoInstall.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <system_error>
#include <vector>

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

void useSmartMotorSlides(std::ostream& out) {
    using vek::runtime;
    constexpr const char* kDemoSlideModel = "SM23-DEMO";
    auto config = runtime().configuration;
    config->reload();
    auto isSmartMotor = [](const std::shared_ptr<vek::SlideData>& slide) {
        return slide && vek::isSmartMotorFamily(slide->motorType());
    };
    std::vector<int16_t> changed;
    for (int16_t i = 1; i <= 3; ++i) {
        if (!isSmartMotor(config->motorsData()->item(i)->SlideData())) changed.push_back(i);
    }
    if (!changed.empty()) {
        std::shared_ptr<vek::SlideData> demoSlide;
        for (auto& slide : *config->slidesData()) {
            if (slide->model() == kDemoSlideModel && isSmartMotor(slide)) demoSlide = slide;
        }
        if (!demoSlide) {
            // 10 mm lead, 200 mm stroke; values bound, never spliced.
            runtime().database->Connection()->execute(
                "INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) VALUES (?, ?, ?, ?, ?, "
                "?)",
                {vek::DbValue(std::string(kDemoSlideModel)), vek::DbValue(10.0), vek::DbValue(200.0),
                 vek::DbValue(80.0), vek::DbValue(900.0),
                 vek::DbValue(static_cast<int32_t>(vek::MotorConstants::TYPE_SM))});
            config->reload();
            for (auto& slide : *config->slidesData()) {
                if (slide->model() == kDemoSlideModel) demoSlide = slide;
            }
        }
        std::string names;
        for (std::size_t k = 0; k < changed.size(); ++k) {
            config->motorsData()->item(changed[k])->setSlideData(demoSlide);
            names += (k == 0 ? "" : k + 1 == changed.size() ? " and " : ", ") + std::string(1, "XYZ"[changed[k] - 1]);
        }
        config->saveData(false);
        out << (changed.size() == 1 ? "Axis " : "Axes ") << names << (changed.size() == 1 ? " now uses" : " now use")
            << " the SmartMotor slide model " << kDemoSlideModel
            << " (coordinated motion drives SmartMotor axes only).\n";
    }
}

}  // namespace vekctl
