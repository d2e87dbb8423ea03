// Scanner throughput: a 10,000-line motor program of the statements
// machine builders write (assignments, moves, blocks, jumps, PRINT), scanned
// and compiled. Target: at least 20 MB/s.
#include <benchmark/benchmark.h>

#include <string>

#include "vek/comm/engine/ProgramScanner.h"

namespace {

std::string cleanProgram(int lines) {
    std::string text = "' generated for the benchmark\r\n";
    for (int i = 0; i * 10 < lines; ++i) {
        const std::string n = std::to_string(i % 900);
        text += "C" + n + "\r\n";
        text += "  a=a+" + n + "*(b-c)/2 al[" + std::to_string(i % 51) + "]=P-" + n + " 'keep the target\r\n";
        text += "  IF IN(3)==1 & Bt==0\r\n";
        text += "    MP A=100 V=200000 P=al[" + std::to_string(i % 51) + "] G TWAIT\r\n";
        text += "  ELSEIF a>=1000\r\n";
        text += "    PRINT(\"position \",P,#13)\r\n";
        text += "  ENDIF\r\n";
        text += "  WHILE Bt==1 LOOP\r\n";
        text += "  SWITCH k CASE 1 D=4000 G BREAK DEFAULT D=-4000 G ENDS\r\n";
        text += "RETURN\r\n";
    }
    return text + "GOSUB1\r\nEND\r\n";
}

void BM_ScanCleanProgram(benchmark::State& state) {
    const std::string text = cleanProgram(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto scan = vek::scanProgram(text);
        if (!scan.clean()) state.SkipWithError("the benchmark program does not compile");
        benchmark::DoNotOptimize(scan.program.code.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
    state.counters["lines"] = static_cast<double>(state.range(0));
    state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_ScanCleanProgram)->Arg(10000)->Unit(benchmark::kMillisecond);

// Warnings do not end the scan as errors do: 10,000 lines of constants out
// of range run to the end with a full warning list.
void BM_ScanProgramOfWarnings(benchmark::State& state) {
    std::string text;
    for (int i = 0; i < 10000; ++i) text += "V=-1 KP=99999 aw[200]=70000 'out of range\r\n";
    text += "END\r\n";
    for (auto _ : state) benchmark::DoNotOptimize(vek::scanProgram(text).entries.size());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ScanProgramOfWarnings)->Unit(benchmark::kMillisecond);

}  // namespace
