// Loading a big database of datasets, paths and points, and storing points.
//   vek_bench_datasets
// Targets: 1,000 datasets, 10,000 paths and 1,000,000 points load in under
// 2 s and take under 300 bytes of heap per point; the figures are printed as
// counters (load_s wall, load_cpu_s, bytes_per_point from mallinfo2,
// insert_us_per_point). BM_QuickCheck and BM_OpenDatabase give the time the
// integrity check at every open takes on that file. BM_ScanPointRows/1 is the store's own share of a
// load (the ordered point query read without building anything), /0 the
// same rows in table order. Wall times depend on what else the machine runs;
// load_cpu_s less so.
#include "vek/persistence/DataSets.h"

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "SimulatedInstall.h"
#include "vek/foundation/InstallFolder.h"
#include "vek/geometry/Node.h"
#include "vek/geometry/NodePath.h"
#include "vek/motion/Runtime.h"
#include "vek/persistence/DataSet.h"
#include "vek/persistence/Database.h"
#include "vek/persistence/DbConnection.h"

namespace {

namespace fs = std::filesystem;

constexpr int kDatasets = 1000;
constexpr int kPathsPerDataset = 10;
constexpr int kPointsPerPath = 100;
constexpr int64_t kPoints = int64_t{kDatasets} * kPathsPerDataset * kPointsPerPath;

void check(int rc, sqlite3* db, int expected = SQLITE_OK) {
    if (rc != expected) throw std::runtime_error(sqlite3_errmsg(db));
}

// A temporary install folder whose data/big.db holds the big database, made
// once per run with one transaction of prepared inserts.
class BigInstall {
public:
    static BigInstall& instance() {
        static BigInstall install;
        return install;
    }

private:
    BigInstall()
        : staged_("datasets", [](const fs::path& data) {
              fs::copy_file(data / "vek.db", data / "big.db");
              generate((data / "big.db").string());
          }) {
        vek::runtime().database = std::make_shared<vek::Database>();
        vek::runtime().database->openDatabase("big.db");
        vek::runtime().database->checkVersion();  // as start-up: write-ahead mode
    }

    static void generate(const std::string& file) {
        sqlite3* db = nullptr;
        check(sqlite3_open(file.c_str(), &db), db);
        check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
        sqlite3_stmt *dataset = nullptr, *path = nullptr, *node = nullptr;
        check(sqlite3_prepare_v2(db, "INSERT INTO Dataset (datasetKey, datasetName) VALUES (?, ?)", -1, &dataset,
                                 nullptr),
              db);
        check(sqlite3_prepare_v2(db, "INSERT INTO Path (pathKey, pathName, pathType, datasetKey) VALUES (?, ?, 1, ?)",
                                 -1, &path, nullptr),
              db);
        check(sqlite3_prepare_v2(db,
                                 "INSERT INTO Node (nodeKey, nodeName, p1, p2, p3, p4, p5, p6, p7, p8, pathKey, "
                                 "datasetKey, orderNumber, speed, acceleration, mode) "
                                 "VALUES (?, ?, ?, ?, ?, 0, 0, 0, 0, 0, ?, ?, ?, 10, 10, 0)",
                                 -1, &node, nullptr),
              db);
        int64_t pathKey = 0, nodeKey = 0;
        for (int d = 2; d < kDatasets + 2; ++d) {  // key 1 is the global dataset already there
            const std::string name = "Dataset" + std::to_string(d);
            sqlite3_bind_int(dataset, 1, d);
            sqlite3_bind_text(dataset, 2, name.c_str(), -1, SQLITE_TRANSIENT);
            check(sqlite3_step(dataset), db, SQLITE_DONE);
            sqlite3_reset(dataset);
            for (int p = 0; p < kPathsPerDataset; ++p) {
                ++pathKey;
                const std::string pathName = "Path" + std::to_string(pathKey);
                sqlite3_bind_int64(path, 1, pathKey);
                sqlite3_bind_text(path, 2, pathName.c_str(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_int(path, 3, d);
                check(sqlite3_step(path), db, SQLITE_DONE);
                sqlite3_reset(path);
                for (int n = 1; n <= kPointsPerPath; ++n) {
                    ++nodeKey;
                    const std::string nodeName = "Point" + std::to_string(nodeKey);
                    sqlite3_bind_int64(node, 1, nodeKey);
                    sqlite3_bind_text(node, 2, nodeName.c_str(), -1, SQLITE_TRANSIENT);
                    sqlite3_bind_int(node, 3, n * 100);
                    sqlite3_bind_int(node, 4, (n % 7) * 250);
                    sqlite3_bind_int(node, 5, (n % 3) * 40);
                    sqlite3_bind_int64(node, 6, pathKey);
                    sqlite3_bind_int(node, 7, d);
                    sqlite3_bind_int(node, 8, n);
                    check(sqlite3_step(node), db, SQLITE_DONE);
                    sqlite3_reset(node);
                }
            }
        }
        sqlite3_finalize(dataset);
        sqlite3_finalize(path);
        sqlite3_finalize(node);
        check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
        sqlite3_close(db);
    }

    StagedInstall staged_;
};

double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

std::size_t heapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

void BM_LoadDatasets(benchmark::State& state) {
    BigInstall::instance();
    double seconds = 0.0, cpu = 0.0, bytesPerPoint = 0.0;
    for (auto _ : state) {
        malloc_trim(0);
        const std::size_t before = heapInUse();
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = cpuSeconds();
        auto sets = std::make_shared<vek::DataSets>(vek::runtime().database);
        cpu = cpuSeconds() - cpuStart;
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        bytesPerPoint = static_cast<double>(heapInUse() - before) / static_cast<double>(kPoints);
        if (!sets->loadedCompletely() || sets->getDataSets()->count() != kDatasets + 1)
            state.SkipWithError("the database did not load completely");
        state.PauseTiming();
        sets.reset();
        state.ResumeTiming();
    }
    state.counters["load_s"] = seconds;
    state.counters["load_cpu_s"] = cpu;
    state.counters["bytes_per_point"] = bytesPerPoint;
    state.counters["points"] = static_cast<double>(kPoints);
}
BENCHMARK(BM_LoadDatasets)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

// The store's share of a load: the ordered point query read column by
// column, without building anything.
void BM_ScanPointRows(benchmark::State& state) {
    BigInstall::instance();
    auto connection = vek::runtime().database->Connection();
    for (auto _ : state) {
        double sum = 0.0;
        connection->forEachRow(
            "SELECT nodeKey, nodeName, p1, p2, p3, p4, p5, p6, p7, p8, pathKey, datasetKey, orderNumber, speed, "
            "acceleration, mode FROM Node" +
                std::string(state.range(0) ? " ORDER BY datasetKey ASC, pathKey ASC, orderNumber ASC, nodeKey ASC"
                                           : ""),
            {}, [&](const vek::DbRow& row) {
                sum += static_cast<double>(row.text(1).size());
                for (int c = 2; c < 16; ++c) sum += row.isNull(c) ? 0.0 : row.toDouble(c);
            });
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_ScanPointRows)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

// What opening costs with its integrity check: SQLite's quick check of the
// whole file alone (BM_QuickCheck) and the whole open of the 1,000,000-point
// file that runs it (BM_OpenDatabase), with the file in the page cache;
// file_mb is its size.
void BM_QuickCheck(benchmark::State& state) {
    BigInstall::instance();
    auto connection = vek::runtime().database->Connection();
    for (auto _ : state) {
        if (connection->query("PRAGMA quick_check(1)").field(0).textOr({}) != "ok")
            state.SkipWithError("the check found a problem");
    }
    state.counters["file_mb"] =
        static_cast<double>(fs::file_size(vek::runtime().database->fullPath())) / (1024.0 * 1024.0);
    state.counters["points"] = static_cast<double>(kPoints);
}
BENCHMARK(BM_QuickCheck)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_OpenDatabase(benchmark::State& state) {
    BigInstall::instance();
    for (auto _ : state) {
        vek::Database db;
        db.openDatabase("big.db");
        if (db.storedVersion() != vek::ServerConstants::DB_VERSION) state.SkipWithError("the file was not opened");
    }
    state.counters["points"] = static_cast<double>(kPoints);
}
BENCHMARK(BM_OpenDatabase)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_InsertPointsAtTheEndOfAPath(benchmark::State& state) {
    BigInstall::instance();
    auto sets = std::make_shared<vek::DataSets>(vek::runtime().database);
    auto dataset = sets->getDatasetByName("Dataset500");
    auto path = dataset->getPathByName("Path" + std::to_string((500 - 2) * kPathsPerDataset + 1));
    constexpr int kInserts = 10000;
    double seconds = 0.0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kInserts; ++i) {
            auto node = std::make_shared<vek::Node>();
            node->setAxis(1, i);
            node->setAxis(2, 2 * i);
            if (!dataset->insertNode(node, path->key())) {
                state.SkipWithError("a point was not stored");
                break;
            }
        }
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    state.counters["inserted"] = kInserts;
    state.counters["insert_us_per_point"] = seconds * 1e6 / kInserts;
    state.counters["path_points"] = static_cast<double>(path->size());
}
BENCHMARK(BM_InsertPointsAtTheEndOfAPath)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
