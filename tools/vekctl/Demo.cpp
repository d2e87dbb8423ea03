#include "Demo.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <iostream>
#include <iterator>
#include <vector>

#include "DemoInstall.h"
#include "vek/persistence/DataSets.h"
#include "vek/persistence/DbSavepoint.h"
#include "vek/vek.h"

namespace vekctl {

namespace {

using vek::runtime;

constexpr const char* kDatasetName = "Demo";
constexpr const char* kPolylineName = "RoundedSquare";
constexpr double kSpeed = 5.0;          // counts per servo sample
constexpr double kAcceleration = 0.01;  // counts per servo sample squared
constexpr double kCornerRadius = 4000;  // pitch-scaled counts (10 mm)
// The stored polyline: a 40 mm square at Z = 10 mm, closed on its first corner.
constexpr int32_t kCorners[][2] = {{8000, 8000}, {24000, 8000}, {24000, 24000}, {8000, 24000}, {8000, 8000}};
constexpr int32_t kCornerZ = 4000;

std::string describe(const std::exception& e) {
    if (auto* n = dynamic_cast<const vek::NumberedError*>(&e)) {
        return "error " + std::to_string(n->number()) + ": " + n->description();
    }
    return e.what();
}

std::shared_ptr<vek::Node> node(int32_t x, int32_t y, int32_t z, const std::string& name = {}) {
    auto n = std::make_shared<vek::Node>();
    n->setAxis(1, x);
    n->setAxis(2, y);
    n->setAxis(3, z);
    if (!name.empty()) n->setName(name);
    return n;
}

bool isWholePolyline(const vek::NodePath& path) {
    const auto& nodes = path.nodes();
    if (!nodes || nodes->count() != std::size(kCorners)) return false;
    for (std::size_t i = 0; i < std::size(kCorners); ++i) {
        const auto& n = nodes->item(i + 1);
        if (n->axis(1) != kCorners[i][0] || n->axis(2) != kCorners[i][1] || n->axis(3) != kCornerZ) return false;
    }
    return true;
}

}  // namespace

Demo::Demo(DemoOptions options) : options_(std::move(options)), live_(::isatty(STDOUT_FILENO) != 0) {}

int Demo::run() {
    // Each line reaches a pipe (a log, a watching test) when it happens, not
    // at exit.
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    for (auto step :
         {&Demo::prepare, &Demo::connect, &Demo::home, &Demo::drawStoredPolyline, &Demo::drawHelix, &Demo::finish}) {
        const int code = (this->*step)();
        if (code != Exit::OK) {
            vek::eventLoop().setHostPump(nullptr);
            if (restoreSoftwareMotors_ && runtime().configuration) {
                runtime().configuration->storeConfigValue("softwareMotors", previousSoftwareMotors_);
            }
            return code;
        }
    }
    return Exit::OK;
}

int Demo::prepare() {
    // The library's own folder holds the staged data; the demo runs in the
    // user's install folder, filled from it on first use.
    const std::string staged = vek::installSubfolder(vek::InstallSubfolder::data);
    if (const std::string problem = prepareHome(options_.home, staged); !problem.empty()) {
        std::cerr << "vekctl: " << problem << "\n";
        return Exit::INSTALL;
    }
    vek::setInstallFolder(options_.home);
    // A real line runs in real time.
    if (!options_.realTime && options_.port.empty()) vek::eventLoop().setClock(std::make_shared<vek::ManualClock>());
    vek::Server server;
    slides_ = server.getLinearSlides();
    slides_->setIsSimulation(options_.port.empty());
    slides_->setIsSimulationMute(!options_.sound);
    try {
        slides_->databaseRelatedInit("vek.db");
        ensureSmartMotorAxes();
    } catch (const std::exception& e) {
        std::cerr << "vekctl: cannot load " << options_.home << "/data/vek.db (" << describe(e) << ")\n";
        return Exit::DATABASE;
    }
    std::cout << "Install folder " << options_.home << ", database data/vek.db\n";
    return Exit::OK;
}

void Demo::ensureSmartMotorAxes() {
    // The write lock from the first look to the last store: demos started
    // together would otherwise each add the demo slide.
    vek::DbSavepoint change(*runtime().database->Connection(), "vek_demo_axes", true);
    auto config = runtime().configuration;
    useSmartMotorSlides(std::cout);
    previousSoftwareMotors_ = config->getConfigValue("softwareMotors");
    if (previousSoftwareMotors_ != "3") {
        config->storeConfigValue("softwareMotors", "3");
        restoreSoftwareMotors_ = true;
    }
    change.commit();
}

int Demo::connect() {
    try {
        slides_->openConnection(9600, options_.port.empty() ? "SIM" : options_.port);
    } catch (const std::exception& e) {
        std::cerr << "vekctl: cannot open the " << chainName() << " (" << describe(e) << ")\n";
        return Exit::CONNECTION;
    }
    auto motors = slides_->motors();
    if (motors->count() != 3) {
        std::cerr << "vekctl: expected three axes on the " << chainName() << ", found " << motors->count() << "\n";
        return Exit::CONNECTION;
    }
    std::cout << (options_.port.empty() ? "Simulated chain" : "Serial chain on " + options_.port) << " open: ";
    for (std::size_t i = 1; i <= motors->count(); ++i) std::cout << (i > 1 ? ", " : "") << motors->item(i)->name();
    std::cout << " (trajectory step " << slides_->getPath()->TIMEDELTA() << " samples)\n";
    return Exit::OK;
}

int Demo::home() {
    auto calibration = runtime().calibration;
    const double before = vek::eventLoop().now();
    if (!calibration->homeMotor(0, -1, true)) {
        std::cerr << "vekctl: homing failed (see " << options_.home << "/logs/logs.txt)\n";
        return Exit::HOMING;
    }
    std::printf("Homed X, Y and Z in %.1f s of machine time\n", vek::eventLoop().now() - before);
    // From here on every pass of the event loop samples the axes (the
    // random power-on positions before homing are not part of the picture).
    vek::eventLoop().setHostPump([this] { sample(); });
    return Exit::OK;
}

std::shared_ptr<vek::NodePath> Demo::storedPolyline() {
    // Dataset, path and points go in together: a demo killed on the way
    // leaves the file as it was. The datasets are read again under the write
    // lock, so that a path another demo stored meanwhile is used, not stored
    // twice.
    vek::DbSavepoint store(*runtime().database->Connection(), "vek_demo", true);
    auto dataSets = std::make_shared<vek::DataSets>(runtime().database);
    runtime().dataSets = dataSets;
    auto dataset = dataSets->getDatasetByName(kDatasetName);
    if (!dataset) {
        dataset = dataSets->insertDataset(std::make_shared<vek::DataSet>());
        if (!dataset) return nullptr;
        dataset->setName(kDatasetName);
        dataSets->updateDataset(dataset);
    }
    auto path = dataset->getPathByName(kPolylineName);
    if (path && isWholePolyline(*path)) return path;
    if (path) {
        // Older versions stored the points one by one, and a run cut short
        // left part of the shape; drawn as it is, it would stay open for ever.
        std::cout << "The stored path " << kDatasetName << "." << kPolylineName << " is not whole ("
                  << (path->nodes() ? path->nodes()->count() : 0) << " of " << std::size(kCorners)
                  << " points); storing it again\n";
        dataset->deletePath(path);
        if (dataset->getPathByName(kPolylineName)) return nullptr;
    }
    path = std::make_shared<vek::NodePath>();
    path->setPathType(vek::PathConstants::LINEAR_PATH);
    path->setName(kPolylineName);
    for (const auto& c : kCorners) path->addNode(node(c[0], c[1], kCornerZ));
    if (!dataset->storePath(path)) return nullptr;
    store.commit();
    std::cout << "Stored the rounded polyline " << kDatasetName << "." << kPolylineName << "\n";
    return path;
}

int Demo::drawStoredPolyline() {
    std::shared_ptr<vek::NodePath> path;
    try {
        path = storedPolyline();
    } catch (const std::exception& e) {
        std::cerr << "vekctl: cannot store the demo path (" << describe(e) << ")\n";
        return Exit::DATABASE;
    }
    if (!path) {
        std::cerr << "vekctl: cannot store the demo path (see " << options_.home << "/logs/logs.txt)\n";
        return Exit::DATABASE;
    }
    return draw(path, "rounded polyline", kCornerRadius);
}

int Demo::drawHelix() {
    auto helix = std::make_shared<vek::NodePath>();
    helix->setName("Helix");
    helix->setPathType(vek::PathConstants::ARC_PATH);
    // Two counter-clockwise turns of radius 25 mm, climbing 5 mm per turn.
    helix->addNode(node(26000, 16000, 4000, "center"));
    helix->addNode(node(36000, 16000, 4000, "start"));
    helix->addNode(node(36000, 16000, 4000, "end"));
    helix->addNode(node(26000, 26000, 4000, "direction"));
    helix->addNode(node(2000, 0, 0, "pitch"));
    helix->addNode(node(2, 0, 0, "rotations"));
    return draw(helix, "helical arc", 0.0);
}

int Demo::draw(const std::shared_ptr<vek::NodePath>& path, const std::string& label, double cornerRadius) {
    // The façade first moves to the path's start when an axis is more than
    // 20 counts away; that move gets a bar of its own.
    labels_.clear();
    label_.clear();
    auto start =
        path->pathType() == vek::PathConstants::ARC_PATH ? path->getNodeByName("start") : path->nodes()->item(1);
    auto current = slides_->getCurrentPoint();
    for (int16_t i = 1; i <= static_cast<int16_t>(slides_->motors()->count()); ++i) {
        if (std::abs(static_cast<int64_t>(current->axis(i)) - start->axis(i)) > 20) {
            labels_.push_back("move to start");
            break;
        }
    }
    labels_.push_back(label);
    eventSeen_ = false;
    auto motion = slides_->getMotion();
    auto connection = motion->motionEvent.connect([this](std::string& name) {
        eventSeen_ = true;
        if (!options_.quiet) {
            std::printf("\r  %-16s [%s] 100%% motionEvent(%s)\n", label_.c_str(), std::string(40, '#').c_str(),
                        name.c_str());
        }
        shownPercent_ = -1;
    });
    try {
        slides_->drawPath(path, kSpeed, kAcceleration, true, cornerRadius, 100.0);
    } catch (const std::exception& e) {
        connection.disconnect();
        std::cerr << "\nvekctl: drawing the " << label << " failed (" << describe(e) << ")\n";
        return Exit::MOTION;
    }
    connection.disconnect();
    sample();
    if (!eventSeen_) {
        std::cerr << "vekctl: the " << label << " ended without its motionEvent\n";
        return Exit::MOTION;
    }
    return Exit::OK;
}

std::string Demo::chainName() const {
    return options_.port.empty() ? "simulated chain" : "serial chain on " + options_.port;
}

void Demo::sample() {
    if (!slides_) return;
    auto motors = slides_->motors();
    if (motors->count() < 3) return;
    // Over a serial line each reading is three queries between the points of
    // a stream: ten readings a second are plenty.
    if (!options_.port.empty()) {
        const double now = vek::eventLoop().now();
        if (lastSample_ >= 0 && now - lastSample_ < 0.1) return;
        lastSample_ = now;
    }
    const Point3 p{mm(1, motors->item(1)->position()), mm(2, motors->item(2)->position()),
                   mm(3, motors->item(3)->position())};
    if (!haveLast_ || p.x != last_.x || p.y != last_.y || p.z != last_.z) {
        picture_.addActual(p);
        last_ = p;
        haveLast_ = true;
    }
    // A new trajectory in the working path: record it and restart the bar.
    auto path = slides_->getPath();
    if (path && path->nodes() && path->nodes()->count() > 0 && path->nodes() != trajectorySeen_) {
        startTrajectory(*path);
    }
    if (options_.quiet || !live_ || trajectorySeconds_ <= 0 || eventSeen_) return;
    const double elapsed = vek::eventLoop().now() - trajectoryStart_;
    const int percent = std::min(99, static_cast<int>(elapsed / trajectorySeconds_ * 100.0));
    if (percent == shownPercent_) return;
    shownPercent_ = percent;
    const int filled = percent * 40 / 100;
    std::printf("\r  %-16s [%s%s] %3d%%", label_.c_str(), std::string(static_cast<std::size_t>(filled), '#').c_str(),
                std::string(static_cast<std::size_t>(40 - filled), '-').c_str(), percent);
    std::fflush(stdout);
}

void Demo::startTrajectory(const vek::NodePath& path) {
    // A second trajectory within one drawing: the first was the move to the
    // path's start.
    if (!label_.empty() && !eventSeen_ && !options_.quiet) {
        std::printf("\r  %-16s [%s] done\n", label_.c_str(), std::string(40, '#').c_str());
    }
    if (!labels_.empty()) {
        label_ = labels_.front();
        labels_.erase(labels_.begin());
    }
    trajectorySeen_ = path.nodes();
    std::vector<Point3> line;
    line.reserve(path.nodes()->count());
    for (auto& n : *path.nodes()) line.push_back({mm(1, n->axis(1)), mm(2, n->axis(2)), mm(3, n->axis(3))});
    picture_.addCommanded(std::move(line));
    trajectoryStart_ = vek::eventLoop().now();
    trajectorySeconds_ = path.size() * path.TIMEDELTASECONDS();
    shownPercent_ = -1;
}

double Demo::mm(int16_t axis, int32_t counts) const {
    auto slide = runtime().configuration->motorsData()->item(axis)->SlideData();
    const double pitch = slide ? slide->pitch() : 10.0;
    return counts * pitch / 4000.0;
}

int Demo::finish() {
    vek::eventLoop().setHostPump(nullptr);
    auto motors = slides_->motors();
    std::cout << "Final positions:\n";
    for (std::size_t i = 1; i <= motors->count(); ++i) {
        const int32_t counts = motors->item(i)->position();
        std::printf("  %-7s %8d counts  %8.3f mm\n", motors->item(i)->name().c_str(), counts,
                    mm(static_cast<int16_t>(i), counts));
    }
    slides_->closeConnection(9600);
    if (restoreSoftwareMotors_) runtime().configuration->storeConfigValue("softwareMotors", previousSoftwareMotors_);
    if (!picture_.write(options_.svg,
                        options_.port.empty()
                            ? "vek demo: commanded path and simulated axis positions"
                            : "vek demo: commanded path and axis positions read back over " + options_.port)) {
        std::cerr << "vekctl: cannot write " << options_.svg << "\n";
        return Exit::PICTURE;
    }
    std::cout << "Wrote " << options_.svg << " (" << picture_.commandedCount() << " trajectories, "
              << picture_.actualCount() << " position samples)\n";
    return Exit::OK;
}

}  // namespace vekctl
