// The whole simulated stack in virtual time: a minute of homing and path
// drawing on three simulated axes, against the real time it takes to compute.
//   vek_bench_sim_scenario
// Reports machine_s (simulated machine seconds per run) and the ratio of
// machine time to real time (target: at least 1000).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "SimulatedInstall.h"
#include "vek/foundation/EventLoop.h"
#include "vek/foundation/InstallFolder.h"
#include "vek/geometry/Node.h"
#include "vek/geometry/NodePath.h"
#include "vek/motion/LinearSlides.h"
#include "vek/motion/Runtime.h"
#include "vek/motors/Calibration.h"
#include "vek/persistence/DbConnection.h"
#include "vek/persistence/DbValue.h"

namespace {

namespace fs = std::filesystem;

std::shared_ptr<vek::Node> at(int32_t x, int32_t y, int32_t z, const std::string& name = {}) {
    auto n = std::make_shared<vek::Node>();
    n->setAxis(1, x);
    n->setAxis(2, y);
    n->setAxis(3, z);
    if (!name.empty()) n->setName(name);
    return n;
}

// Homes all axes, then draws a rounded square and a helix, over and over,
// until a minute of machine time has passed.
void BM_OneMinuteOfHomingAndPaths(benchmark::State& state) {
    Install install;
    auto& slides = *vek::runtime().linearSlides;
    auto& calibration = *vek::runtime().calibration;
    auto square = std::make_shared<vek::NodePath>();
    square->setName("square");
    for (auto [x, y] : {std::pair{8000, 8000}, {24000, 8000}, {24000, 24000}, {8000, 24000}, {8000, 8000}}) {
        square->addNode(at(x, y, 4000));
    }
    auto helix = std::make_shared<vek::NodePath>();
    helix->setName("helix");
    helix->setPathType(vek::PathConstants::ARC_PATH);
    helix->addNode(at(26000, 16000, 4000, "center"));
    helix->addNode(at(36000, 16000, 4000, "start"));
    helix->addNode(at(36000, 16000, 4000, "end"));
    helix->addNode(at(26000, 26000, 4000, "direction"));
    helix->addNode(at(2000, 0, 0, "pitch"));
    helix->addNode(at(2, 0, 0, "rotations"));

    double machine = 0, real = 0;
    for (auto _ : state) {
        const double v0 = vek::eventLoop().now();
        const auto r0 = std::chrono::steady_clock::now();
        calibration.homeMotor(0, -1, true);
        while (vek::eventLoop().now() - v0 < 60.0) {
            slides.drawPath(square, 5.0, 0.01, true, 4000.0);
            slides.drawPath(helix);
            slides.drawLine(at(0, 0, 0));
        }
        machine += vek::eventLoop().now() - v0;
        real += std::chrono::duration<double>(std::chrono::steady_clock::now() - r0).count();
    }
    state.counters["machine_s"] = machine / static_cast<double>(state.iterations());
    state.counters["machine_per_real"] = real > 0 ? machine / real : 0;
}
BENCHMARK(BM_OneMinuteOfHomingAndPaths)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
