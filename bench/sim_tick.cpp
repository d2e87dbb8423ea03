// Period of the simulation's 10 ms tick under the system clock, with one
// simulated motor moving for 10 s. The tick is scheduled from its previous
// due time, so lateness of one tick (the loop waking up late, the work of the
// tick) does not accumulate. Figures: mean and 99th percentile of the
// interval between ticks. Goal: mean within 1 % of 10 ms, p99 under 12 ms.
// The p99 depends on how busy the machine is: on a loaded machine a ready
// thread waits for a core however precisely it asked to wake up.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <numeric>
#include <vector>

#include "support/TempInstall.h"
#include "vek/comm/CommunicationSimulation.h"
#include "vek/foundation/EventLoop.h"
#include "vek/motion/Runtime.h"
#include "vek/motors/MotorConstants.h"
#include "vek/motors/MotorSimulation.h"
#include "vek/motors/SimulationHost.h"
#include "vek/persistence/Configuration.h"
#include "vek/persistence/Database.h"
#include "vek/persistence/SlideData.h"

namespace {

using Clock = std::chrono::steady_clock;

void BM_SimulationTickPeriod(benchmark::State& state) {
    const double seconds = static_cast<double>(state.range(0));
    vek::test::TempInstall install;
    vek::eventLoop().setClock(nullptr);  // the system clock
    vek::startUp();
    auto database = std::make_shared<vek::Database>();
    database->openDatabase("vek.db");
    auto configuration = std::make_shared<vek::Configuration>(database);
    // A 2 m slide with a 1 mm pitch: 8,000,000 counts, far more than 10 s of travel.
    auto slide = std::make_shared<vek::SlideData>();
    slide->setStroke(2000);
    slide->setPitch(1);
    slide->setMotorType(vek::MotorConstants::TYPE_SM);
    configuration->motorsData()->item(1)->setSlideData(slide);
    auto channel = std::make_shared<vek::CommunicationSimulation>();
    auto flags = std::make_shared<vek::MotionFlags>();
    flags->isSimulationMute = true;
    auto motor = std::make_shared<vek::MotorSimulation>();
    motor->init(1, channel, vek::MotorConstants::MOTOR_ENCODER_COUNT, vek::MotorContext{{}, configuration, {}, flags});
    motor->setRealTimePosition(0);
    motor->StopMotion(false);

    std::vector<Clock::time_point> ticks;
    ticks.reserve(static_cast<std::size_t>(seconds * 110));
    auto connection = vek::simulationHost().ticked.connect([&ticks] { ticks.push_back(Clock::now()); });

    for (auto _ : state) {
        ticks.clear();
        motor->goWithVelocity(500000, 100);
        vek::eventLoop().wait(seconds);
        motor->StopMotion(true);
    }
    connection.disconnect();

    std::vector<double> intervals;
    for (std::size_t i = 1; i < ticks.size(); ++i)
        intervals.push_back(std::chrono::duration<double, std::milli>(ticks[i] - ticks[i - 1]).count());
    if (!intervals.empty()) {
        const double mean = std::accumulate(intervals.begin(), intervals.end(), 0.0) / intervals.size();
        std::vector<double> sorted = intervals;
        std::sort(sorted.begin(), sorted.end());
        const auto at = [&sorted](double q) {
            return sorted[std::min(sorted.size() - 1, static_cast<std::size_t>(q * (sorted.size() - 1) + 0.5))];
        };
        state.counters["ticks"] = static_cast<double>(ticks.size());
        state.counters["mean_ms"] = mean;
        state.counters["p50_ms"] = at(0.5);
        state.counters["p99_ms"] = at(0.99);
        state.counters["max_ms"] = sorted.back();
        state.counters["over_12ms"] =
            static_cast<double>(std::count_if(intervals.begin(), intervals.end(), [](double ms) { return ms > 12.0; }));
        // Time lost or gained over the whole run against the nominal period:
        // a timer scheduled from "now" would lose its lateness on every tick.
        state.counters["drift_ms"] =
            std::accumulate(intervals.begin(), intervals.end(), 0.0) - 10.0 * static_cast<double>(intervals.size());
        state.counters["moved_counts"] = motor->position();
    }
    vek::simulationHost().reset();
    motor.reset();
    channel.reset();
    configuration.reset();
    database.reset();
    vek::shutDown();
}
BENCHMARK(BM_SimulationTickPeriod)->Arg(10)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
