// What one Commands call costs on top of the motor operation it wraps, on
// the simulated chain of three SmartMotor axes (units mm), with the level-5
// display texts going to a host sink that counts them:
//   CurrentPoint     against reading the three positions from the motors
//   MotorStatus      against the status-word query of the motor
//   DoPositionMove   against goToPosition with the same motor values
// Each pair is printed with the difference, the overhead. Goal: under 2 µs.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "support/TempInstall.h"
#include "vek/vek.h"

namespace {

using vek::runtime;

// The install, the runtime and a connected simulated gantry, made once.
struct Gantry {
    Gantry() {
        vek::eventLoop().setClock(std::make_shared<vek::ManualClock>());
        vek::startUp();
        {
            vek::DbConnection db;
            db.open(install.file("data/vek.db"));
            db.execute(
                "INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) "
                "VALUES ('SM-BENCH', 10, 200, 80, 900, 1)");
            db.execute("UPDATE Motor SET slideKey = (SELECT max(slideKey) FROM Slide)");
            db.execute("UPDATE Config SET keyValue = '3' WHERE keyName = 'softwareMotors'");
        }
        auto& slides = *runtime().linearSlides;
        slides.setIsSimulation(true);
        slides.setIsSimulationMute(true);
        slides.databaseRelatedInit("vek.db");
        slides.openConnection(9600, "SIM");
        runtime().log->messagedLogged.connect([this](std::string&, int16_t& level) { shown += level == 5; });
        commands = runtime().commands;
        motors = slides.motors();
    }
    ~Gantry() { vek::shutDown(); }

    vek::test::TempInstall install;
    std::shared_ptr<vek::Commands> commands;
    std::shared_ptr<vek::MotorCollection> motors;
    long shown = 0;
};

Gantry& gantry() {
    static Gantry g;
    return g;
}

void BM_MotorPositions(benchmark::State& state) {
    auto& motors = *gantry().motors;
    for (auto _ : state) {
        for (std::size_t i = 1; i <= 3; ++i) benchmark::DoNotOptimize(motors.item(i)->position());
    }
}
BENCHMARK(BM_MotorPositions);

void BM_CurrentPoint(benchmark::State& state) {
    auto& commands = *gantry().commands;
    for (auto _ : state) benchmark::DoNotOptimize(commands.CurrentPoint());
}
BENCHMARK(BM_CurrentPoint);

// A command that reaches no motor: what bench/python_calls.py compares
// calls from Python against.
void BM_GetValue(benchmark::State& state) {
    auto& commands = *gantry().commands;
    commands.SaveValue("bench", "1");
    for (auto _ : state) benchmark::DoNotOptimize(commands.GetValue("bench"));
}
BENCHMARK(BM_GetValue);

void BM_MotorStatusWord(benchmark::State& state) {
    auto& motor = *gantry().motors->item(1);
    for (auto _ : state) benchmark::DoNotOptimize(motor.getResponseOf("RW"));
}
BENCHMARK(BM_MotorStatusWord);

void BM_MotorStatus(benchmark::State& state) {
    auto& commands = *gantry().commands;
    for (auto _ : state) benchmark::DoNotOptimize(commands.MotorStatus(1));
}
BENCHMARK(BM_MotorStatus);

// The motor stays where it is: a move to its own position starts and ends
// at once, so the figure is the call itself.
void BM_GoToPosition(benchmark::State& state) {
    auto& motor = *gantry().motors->item(2);
    const int32_t here = motor.position();
    // 10 mm/s and 100 mm/s² on a 10 mm lead.
    for (auto _ : state) motor.goToPosition(here, 64425, 160);
}
BENCHMARK(BM_GoToPosition);

void BM_DoPositionMove(benchmark::State& state) {
    auto& g = gantry();
    const double here = g.motors->item(2)->position() / 400.0;  // mm
    const long before = g.shown;
    for (auto _ : state) g.commands->DoPositionMove(2, here, 10.0, 100.0);
    state.counters["shown"] =
        benchmark::Counter(static_cast<double>(g.shown - before), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_DoPositionMove);

// Prints the usual table, then each Commands call against its motor call.
class OverheadReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration) nanoseconds_[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nOverhead of a Commands call over the motor operation it wraps (goal: under 2000 ns):\n");
        for (const auto& [command, motor] :
             {std::pair{"BM_CurrentPoint", "BM_MotorPositions"}, std::pair{"BM_MotorStatus", "BM_MotorStatusWord"},
              std::pair{"BM_DoPositionMove", "BM_GoToPosition"}}) {
            if (!nanoseconds_.count(command) || !nanoseconds_.count(motor)) continue;
            std::printf("  %-18s %8.0f ns - %-18s %8.0f ns = %6.0f ns\n", command + 3, nanoseconds_[command], motor + 3,
                        nanoseconds_[motor], nanoseconds_[command] - nanoseconds_[motor]);
        }
    }

private:
    std::map<std::string, double> nanoseconds_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    OverheadReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
