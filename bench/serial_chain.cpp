// The serial command side at work.
//
// BM_PositionQueriesOverTheEmulator: position queries per second through the
// serial channel against the chain emulator on a pseudo-terminal, with line
// time emulated (each byte takes 10 bits / baud on every hop), printed beside
// the wire limit: per query the echo of the command (4 bytes), the answer
// ("-12345" and CR, 7 bytes) and one byte per motor on the chain (a motor
// passes a byte on only after it has received it), times 10 bits, divided by
// the rate. Goal: at least 90 % of the wire limit.
//
// BM_EngineCommandAndAnswerOverAPipe: the engine's own CPU time for one
// command and its answer, with a peer thread echoing and answering on a pair
// of pipes, so that no line time is in the figure (the CPU column is the
// benchmark thread's). Goal: under 20 µs.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "ChainEmulator.h"
#include "PipePeer.h"
#include "support/TempInstall.h"
#include "vek/comm/Communication.h"
#include "vek/comm/engine/MotorEngine.h"

namespace {

constexpr int kMotors = 3;

void BM_PositionQueriesOverTheEmulator(benchmark::State& state) {
    const auto rate = static_cast<int32_t>(state.range(0));
    vek::test::TempInstall install;
    vek::emulator::EmulatorOptions options;
    options.motors = kMotors;
    options.lineTime = true;
    vek::emulator::ChainEmulator chain(options);
    chain.start();
    chain.withMotor(kMotors, [](vek::emulator::EmulatedMotor& m) { m.place(-12345); });
    vek::Communication comm;
    comm.OpenPort(chain.portPath(), rate);
    if (comm.initMotors() != kMotors) {
        state.SkipWithError("the emulated chain was not found");
        return;
    }
    const std::string query = std::to_string(kMotors) + "RP";
    for (auto _ : state) {
        if (comm.getResponseOf(query) != "-12345") {
            state.SkipWithError("a query went unanswered");
            break;
        }
    }
    const double wireLimit = rate / (10.0 * (4 + 7 + kMotors));
    state.counters["queries/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["wire_limit/s"] = wireLimit;
    comm.ClosePort();
}
BENCHMARK(BM_PositionQueriesOverTheEmulator)
    ->Arg(9600)
    ->Arg(38400)
    ->UseRealTime()
    ->Iterations(100)
    ->Unit(benchmark::kMillisecond);

void BM_EngineCommandAndAnswerOverAPipe(benchmark::State& state) {
    vek::bench::PipePeer peer;
    vek::MotorEngine engine;
    peer.open(engine);
    for (auto _ : state) {
        if (engine.sendAndRead("1RP") != "-12345") {
            state.SkipWithError("a query went unanswered");
            break;
        }
    }
}
BENCHMARK(BM_EngineCommandAndAnswerOverAPipe)->Unit(benchmark::kMicrosecond);

}  // namespace
