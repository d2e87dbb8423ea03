// Host-mode streaming of coordinated motion.
//
// BM_StreamPointOverAPipe/axes: one trajectory point (a step of about 640
// counts on every axis, the default speed at TIMEDELTA 128) written by the
// engine to a peer on a pair of pipes that echoes and always has buffer
// places free. Figures: bytes on the line per point beside the budget at
// 38400 baud and TIMEDELTA 128 (120.8 bytes; goal: at most half of it at
// eight axes), and the host's CPU per point for all axes (the CPU column is
// the benchmark thread's; goal: under 5 µs).
//
// BM_RoundedPolylineTo8EmulatedAxes/seconds: a rounded square (straight
// sides, quarter-circle corners) at constant speed, streamed to eight
// emulated axes with line time at 38400 baud. Figures: underruns (goal: 0)
// and the real time taken against the trajectory's own duration (goal:
// within 2 %).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <numbers>
#include <string>

#include "ChainEmulator.h"
#include "PipePeer.h"
#include "support/TempInstall.h"
#include "vek/comm/Communication.h"
#include "vek/comm/engine/MotorEngine.h"

namespace {

constexpr double kBudgetBytes = 38400 / 10.0 * 128 * 245.76e-6;

void BM_StreamPointOverAPipe(benchmark::State& state) {
    const auto axes = static_cast<int16_t>(state.range(0));
    vek::bench::PipePeer peer;
    vek::MotorEngine engine;
    peer.open(engine);
    engine.beginHostMode(axes);
    int32_t position = 0;
    std::size_t bytes = 0;
    for (auto _ : state) {
        position += 640;
        for (int16_t i = 1; i <= axes; ++i) engine.writePosition(i, position * (i % 2 ? 1 : -1));
        bytes = engine.lastPointBytes();
    }
    state.counters["bytes/point"] = static_cast<double>(bytes);
    state.counters["budget"] = kBudgetBytes;
    state.counters["share"] = static_cast<double>(bytes) / kBudgetBytes;
}
BENCHMARK(BM_StreamPointOverAPipe)->Arg(1)->Arg(3)->Arg(8)->Unit(benchmark::kMicrosecond);

// Point k of a rounded square of side 40000 counts with corners of radius
// 8000, traced at `perStep` counts a step; axis i is scaled by i.
double roundedSquare(double s, int axis, bool y) {
    constexpr double side = 40000, r = 8000, straight = side - 2 * r;
    const double quarter = std::numbers::pi * r / 2;
    const double perimeter = 4 * (straight + quarter);
    s = std::fmod(s, perimeter);
    double x = 0, yy = 0;
    for (int k = 0; k < 4; ++k) {
        // Side k runs along direction k (0: +x, 1: +y, 2: -x, 3: -y).
        const double dx[] = {1, 0, -1, 0}, dy[] = {0, 1, 0, -1};
        const double sx[] = {r, side, side - r, 0}, sy[] = {0, r, side, side - r};
        if (s <= straight) {
            x = sx[k] + dx[k] * s;
            yy = sy[k] + dy[k] * s;
            break;
        }
        s -= straight;
        if (s <= quarter) {
            const double a = s / r;
            const double cx = sx[k] + dx[k] * straight - dy[k] * r, cy = sy[k] + dy[k] * straight + dx[k] * r;
            const double start = std::atan2(-dx[k], dy[k]);
            x = cx + r * std::cos(start + a);
            yy = cy + r * std::sin(start + a);
            break;
        }
        s -= quarter;
    }
    return (y ? yy : x) * (1 + axis / 8.0);
}

void BM_RoundedPolylineTo8EmulatedAxes(benchmark::State& state) {
    const double seconds = static_cast<double>(state.range(0));
    vek::test::TempInstall install;
    vek::emulator::EmulatorOptions options;
    options.motors = 8;
    options.lineTime = true;
    vek::emulator::ChainEmulator chain(options);
    chain.start();
    vek::Communication comm;
    comm.OpenPort(chain.portPath(), 9600);
    if (comm.initMotors() != 8) {
        state.SkipWithError("the emulated chain was not found");
        return;
    }
    comm.setBaudRate(38400);
    auto engine = comm.getObject();
    constexpr int32_t kStep = 128;
    const double stepSeconds = kStep * 245.76e-6;
    const auto points = static_cast<int32_t>(seconds / stepSeconds) + 1;
    int32_t underruns = -1;
    double taken = 0;
    for (auto _ : state) {
        engine->beginHostMode(8);
        const auto start = std::chrono::steady_clock::now();
        for (int32_t j = 1; j <= points; ++j) {
            // 640 counts a step, 20350 counts a second.
            const double s = 640.0 * (j - 1);
            for (int16_t i = 1; i <= 8; ++i)
                engine->writePosition(i, static_cast<int32_t>(std::lround(roundedSquare(s, i, i % 2 == 0))));
            if (j < 3) engine->writeTime(0, (j - 1) * kStep);
        }
        underruns = engine->endHostMode();
        taken = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    const double duration = (points - 1) * stepSeconds;
    state.counters["underruns"] = underruns;
    state.counters["trajectory_s"] = duration;
    state.counters["taken_s"] = taken;
    state.counters["deviation_%"] = 100.0 * (taken - duration) / duration;
    comm.setBaudRate(9600);
}
BENCHMARK(BM_RoundedPolylineTo8EmulatedAxes)->Arg(60)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace
