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
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "ChainEmulator.h"
#include "support/TempInstall.h"
#include "vek/comm/Communication.h"
#include "vek/comm/engine/LineTransport.h"
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

// A motor on the far end of two pipes: passes bytes back while its echo is
// on, turns echo on at "0ECHO", answers every "RP" with "-12345".
void pipePeer(int in, int out, const std::atomic<bool>& stop) {
    bool echo = false;
    std::string command;
    char buffer[256];
    while (!stop) {
        pollfd p{in, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) continue;
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n <= 0) return;
        std::string back;
        for (ssize_t i = 0; i < n; ++i) {
            const char c = buffer[i];
            if (echo) back += c;
            if (static_cast<unsigned char>(c) >= 0x80) {
                command.clear();
            } else if (c != '\r') {
                command += c;
            } else {
                if (command == "ECHO") echo = true;
                if (command.ends_with("RP")) back += "-12345\r";
                command.clear();
            }
        }
        if (!back.empty() && ::write(out, back.data(), back.size()) < 0) return;
    }
}

void BM_EngineCommandAndAnswerOverAPipe(benchmark::State& state) {
    int toPeer[2];
    int toEngine[2];
    if (::pipe(toPeer) != 0 || ::pipe(toEngine) != 0) {
        state.SkipWithError("no pipes");
        return;
    }
    std::atomic<bool> stop{false};
    std::thread peer(pipePeer, toPeer[0], toEngine[1], std::cref(stop));
    {
        vek::MotorEngine engine;
        engine.openLine(vek::FdLine::overPipes(toEngine[0], toPeer[1]));
        engine.sendCommand("0ECHO");
        for (auto _ : state) {
            if (engine.sendAndRead("1RP") != "-12345") {
                state.SkipWithError("a query went unanswered");
                break;
            }
        }
        stop = true;
    }
    peer.join();
    ::close(toPeer[0]);
    ::close(toEngine[1]);
}
BENCHMARK(BM_EngineCommandAndAnswerOverAPipe)->Unit(benchmark::kMicrosecond);

}  // namespace
