// Trajectory generation figures: points per second, bytes per trajectory
// point, how much faster the forward segment walk samples a long path than
// a search from the first node at every step, and bytes per stored point.
//
//   build/default/bin/vek_bench_trajectory
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <stdlib.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <memory>

#include "vek/foundation/InstallFolder.h"
#include "vek/geometry/NodePath.h"
#include "vek/geometry/PathEngine.h"
#include "vek/geometry/TrajectoryGenerator.h"
#include "vek/motion/Runtime.h"

namespace {

using namespace vek;

constexpr double kSpeed = 5.0;  // counts per sample
constexpr double kAcceleration = 0.01;

// Started runtime in a scratch install folder, for the whole program.
struct Environment {
    Environment() {
        char pattern[] = "/tmp/vek-bench-XXXXXX";
        folder = mkdtemp(pattern);
        setInstallFolder(folder);
        startUp();
    }
    ~Environment() {
        shutDown();
        std::filesystem::remove_all(folder);
    }
    std::string folder;
};

Environment& environment() {
    static Environment env;
    return env;
}

std::shared_ptr<Node> node(int32_t x, int32_t y, int32_t z = 0, const std::string& name = "") {
    auto n = std::make_shared<Node>();
    n->setAxis(1, x);
    n->setAxis(2, y);
    n->setAxis(3, z);
    n->setName(name);
    return n;
}

// A zigzag of `vertices` corners, legs of about 10,000 counts turning by
// 60 to 120 degrees, every corner roundable with a radius of 1000.
std::shared_ptr<NodePath> zigzag(int vertices) {
    auto path = std::make_shared<NodePath>();
    double x = 0, y = 0, heading = 0;
    for (int i = 0; i < vertices; ++i) {
        path->addNode(node(static_cast<int32_t>(x), static_cast<int32_t>(y)));
        heading += (i % 2 ? 1 : -1) * (1.05 + 0.5 * ((i * 7919) % 100) / 100.0);
        x += 10000 * std::cos(heading);
        y += 10000 * std::sin(heading);
    }
    return path;
}

std::shared_ptr<NodePath> helix(int turns) {
    auto arc = std::make_shared<NodePath>();
    arc->setPathType(PathConstants::ARC_PATH);
    arc->addNode(node(0, 0, 0, "center"));
    arc->addNode(node(50000, 0, 0, "start"));
    arc->addNode(node(50000, 0, 0, "end"));
    arc->addNode(node(0, 50000, 0, "direction"));
    arc->addNode(node(1000, 0, 0, "pitch"));
    arc->addNode(node(turns, 0, 0, "rotations"));
    return arc;
}

std::size_t heapInUse() {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

void generate(benchmark::State& state, const std::shared_ptr<NodePath>& path, double radius) {
    environment();
    std::size_t points = 0;
    double bytesPerPoint = 0;
    for (auto _ : state) {
        NodePath working;
        const std::size_t before = heapInUse();
        TimeArray time = working.generatePath(path, kSpeed, kAcceleration, true, radius);
        state.PauseTiming();
        // What the trajectory keeps: its node collection and its times.
        const std::size_t held = heapInUse() - before;
        points = static_cast<std::size_t>(working.size());
        bytesPerPoint = static_cast<double>(held) / static_cast<double>(points);
        benchmark::DoNotOptimize(time.data());
        state.ResumeTiming();
    }
    state.counters["points"] = static_cast<double>(points);
    state.counters["points_per_s"] =
        benchmark::Counter(static_cast<double>(points * state.iterations()), benchmark::Counter::kIsRate);
    state.counters["bytes_per_point"] = bytesPerPoint;
}

void BM_RoundedPolyline10k(benchmark::State& state) {
    // Key 0: never served from the cache, so every iteration generates.
    generate(state, zigzag(10000), 1000);
}
BENCHMARK(BM_RoundedPolyline10k)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_Helix100Turns(benchmark::State& state) {
    generate(state, helix(100), 0);
}
BENCHMARK(BM_Helix100Turns)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Forward walk against the per-step search from the first node, on the
// refined 10,000-vertex path. The search is timed on every 50th step of the
// same profile (its cost grows with the distance, so an even subset has the
// full profile's mean cost per step).
void BM_SamplingWalkVsSearch(benchmark::State& state) {
    environment();
    auto corners = zigzag(10000);
    const RefinedPath refined = TrajectoryGenerator::generateConnectedPath(
        *corners, activeMachine(), MotionSettings{kSpeed, kAcceleration, true, 1000});
    PathEngine engine;
    engine.setAcceleration(kAcceleration);
    const ProfileArray profile = engine.oneDimensionalProfile(kSpeed, refined.length());
    ProfileArray subset(profile.rows(), (profile.steps() + 49) / 50);
    for (int32_t j = 1; j <= subset.steps(); ++j)
        for (int row = 1; row <= profile.rows(); ++row) subset.at(row, j) = profile.at(row, (j - 1) * 50 + 1);
    using Clock = std::chrono::steady_clock;
    double walkPerStep = 0, searchPerStep = 0;
    for (auto _ : state) {
        NodeCollection out;
        TimeArray time;
        auto t0 = Clock::now();
        TrajectoryGenerator::sampleAlongPath(refined, profile, out, time, false);
        auto t1 = Clock::now();
        NodeCollection slow;
        TimeArray slowTime;
        TrajectoryGenerator::sampleAlongPath(refined, subset, slow, slowTime, true);
        auto t2 = Clock::now();
        walkPerStep = std::chrono::duration<double>(t1 - t0).count() / profile.steps();
        searchPerStep = std::chrono::duration<double>(t2 - t1).count() / subset.steps();
    }
    state.counters["refined_points"] = static_cast<double>(refined.size());
    state.counters["steps"] = static_cast<double>(profile.steps());
    state.counters["walk_ns_per_step"] = walkPerStep * 1e9;
    state.counters["search_ns_per_step"] = searchPerStep * 1e9;
    state.counters["speed_ratio"] = searchPerStep / walkPerStep;
}
BENCHMARK(BM_SamplingWalkVsSearch)->Unit(benchmark::kMillisecond)->Iterations(1);

// A stored dataset: 1,000,000 named corner nodes under their key texts, as
// the database loads them (corner angles and running lengths included).
void BM_StoredPointsMemory(benchmark::State& state) {
    environment();
    constexpr int kPoints = 1000000;
    double bytesPerPoint = 0;
    for (auto _ : state) {
        const std::size_t before = heapInUse();
        auto path = std::make_shared<NodePath>();
        path->nodes()->reserve(kPoints);
        for (int i = 1; i <= kPoints; ++i) {
            auto n = node((i * 37) % 200000, (i * 91) % 150000, i % 1000, "P" + std::to_string(i));
            n->setKey(i);
            n->setOrderNumber(static_cast<int16_t>(i % 30000));
            path->addNode(n, std::to_string(i));
        }
        bytesPerPoint = static_cast<double>(heapInUse() - before) / kPoints;
        benchmark::DoNotOptimize(path.get());
    }
    state.counters["bytes_per_point"] = bytesPerPoint;
}
BENCHMARK(BM_StoredPointsMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
