// Opening the install's database with its configuration, and storing values.
//   vek_bench_persistence
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "SimulatedInstall.h"
#include "vek/foundation/InstallFolder.h"
#include "vek/motion/Runtime.h"
#include "vek/persistence/Configuration.h"
#include "vek/persistence/Database.h"

namespace {

// Target: under 5 ms from nothing to a loaded configuration.
void BM_OpenDatabaseAndLoadConfiguration(benchmark::State& state) {
    StagedInstall install("persistence");
    for (auto _ : state) {
        auto db = std::make_shared<vek::Database>();
        db->openDatabase("vek.db");
        db->checkVersion();
        auto config = std::make_shared<vek::Configuration>(db);
        benchmark::DoNotOptimize(config->motorsData()->count());
    }
}
BENCHMARK(BM_OpenDatabaseAndLoadConfiguration)->Unit(benchmark::kMillisecond);

// 10,000 stores of one value per iteration, each written to the file at once.
void BM_StoreConfigValue10000(benchmark::State& state) {
    StagedInstall install("persistence");
    auto db = std::make_shared<vek::Database>();
    db->openDatabase("vek.db");
    db->checkVersion();  // as start-up: write-ahead mode
    auto config = std::make_shared<vek::Configuration>(db);
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < 10000; ++i) config->storeConfigValue("qdx.mmp.counter", std::to_string(i));
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    state.counters["us_per_call"] = seconds * 1e6 / (10000.0 * static_cast<double>(state.iterations()));
}
BENCHMARK(BM_StoreConfigValue10000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
