// Import throughput: a drawing of 100,000 lines end to end and a text table
// of 100,000 rows, turned into points on three simulated axes.
//   vek_bench_import
// Target: at least 200,000 points per second each. points_per_s counts per
// second of wall time; points_per_cpu_s per second of CPU time of vek and
// the child processes its readers run in (on a shared machine the wall
// time says more about the other processes). The files are written once
// per run into the temporary install. The drawing's time is mostly
// dxflib's own parsing.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <fstream>

#include "SimulatedInstall.h"
#include "vek/foundation/InstallFolder.h"
#include "vek/geometry/NodePath.h"
#include "vek/peripherals/DataImporter.h"

namespace {

constexpr int kItems = 100000;

// A DXF R12 entities section of lines end to end, as CAD programs write it.
std::string writeDrawing() {
    const std::string file = vek::installSubfolder(vek::InstallSubfolder::data) + "/bench.dxf";
    std::ofstream out(file);
    out << "  0\nSECTION\n  2\nENTITIES\n";
    for (int i = 0; i < kItems; ++i) {
        out << "  0\nLINE\n  8\n0\n 10\n"
            << i * 0.01 << "\n 20\n"
            << (i % 100) * 0.5 << "\n 30\n0.0\n 11\n"
            << (i + 1) * 0.01 << "\n 21\n"
            << ((i + 1) % 100) * 0.5 << "\n 31\n0.0\n";
    }
    out << "  0\nENDSEC\n  0\nEOF\n";
    return file;
}

std::string writeTable() {
    const std::string file = vek::installSubfolder(vek::InstallSubfolder::data) + "/bench.txt";
    std::ofstream out(file);
    out << "\"X\",\"Y\",\"Z\"\r\n";
    for (int i = 0; i < kItems; ++i) out << i * 0.01 << "," << (i % 100) * 0.5 << "," << (i % 7) << "\r\n";
    return file;
}

// CPU seconds of this process and of its waited-for children.
double cpuSeconds() {
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        ::getrusage(who, &usage);
        for (const timeval& t : {usage.ru_utime, usage.ru_stime})
            total += static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    }
    return total;
}

void importFile(benchmark::State& state, std::string (*write)(), std::size_t expected) {
    Install install;
    const std::string file = write();
    vek::DataImporter importer;
    std::size_t points = 0;
    const double cpuStart = cpuSeconds();
    for (auto _ : state) {
        const auto nodes = importer.extract(file);
        points = nodes ? nodes->count() : 0;
        if (points != expected) {
            state.SkipWithError("the file did not give every point");
            break;
        }
    }
    const double cpu = cpuSeconds() - cpuStart;
    state.counters["points_per_s"] =
        benchmark::Counter(static_cast<double>(points), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["points_per_cpu_s"] = static_cast<double>(points) * static_cast<double>(state.iterations()) / cpu;
}

void BM_ImportDrawing(benchmark::State& state) {
    importFile(state, writeDrawing, kItems + 1);
}
void BM_ImportTextTable(benchmark::State& state) {
    importFile(state, writeTable, kItems);
}
BENCHMARK(BM_ImportDrawing)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ImportTextTable)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
