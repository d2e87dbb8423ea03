// Log throughput: a dropped developer message and written info lines.
#include "vek/foundation/Log.h"

#include <benchmark/benchmark.h>

#include <filesystem>

#include "vek/foundation/InstallFolder.h"
#include "vek/motion/Runtime.h"

namespace {

struct LogFixture {
    LogFixture() {
        folder = (std::filesystem::temp_directory_path() / "vek-bench-log").string();
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        vek::setInstallFolder(folder);
        vek::startUp();
    }
    ~LogFixture() {
        vek::shutDown();
        std::filesystem::remove_all(folder);
    }
    std::string folder;
};

void BM_DroppedDeveloperMessage(benchmark::State& state) {
    LogFixture fixture;
    const std::string message = "Motor[X]->developer detail that nobody reads";
    auto& log = *vek::runtime().log;
    for (auto _ : state) log.LogMessage(message, -1, "Unknown", 6);
    state.counters["ns_per_message"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                          benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DroppedDeveloperMessage);

void BM_WrittenInfoLines(benchmark::State& state) {
    LogFixture fixture;
    const std::string message = "Motor[X]->Position reached 12345 counts";
    auto& log = *vek::runtime().log;
    for (auto _ : state) log.LogMessage(message, -1, "Unknown", 1);
    state.counters["lines_per_second"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WrittenInfoLines);

}  // namespace
