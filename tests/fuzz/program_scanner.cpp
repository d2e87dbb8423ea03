// Motor programs as machine builders write them: any bytes end in an error
// list or a clean build, never a crash or a hang. The list keeps its limits
// and its texts; a clean build survives its ".smx" form unchanged and every
// jump lands inside the code. The motor runs the clean build; the bytes of
// anything else run as code no compiler wrote, which the motor must stop
// with a fault, never follow out of its memory.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "vek/comm/engine/CompiledProgram.h"
#include "vek/comm/engine/ProgramErrors.h"
#include "vek/comm/engine/ProgramMachine.h"
#include "vek/comm/engine/ProgramScanner.h"

namespace {

// A motor that answers every value with 3 and moves for a tenth of a second.
struct QuietMotor : vek::ProgramMotor {
    void command(const std::string&) override {}
    int32_t value(std::string_view) override { return 3; }
    int32_t input(int32_t n) override { return n; }
    bool moving() override { return now < 0.1; }
    void print(std::string_view text) override { printed += text.size(); }
    double now = 0;
    std::size_t printed = 0;
};

// Runs `program` from RUN for at most 50 slices. A compiler's code may
// divide by zero or index outside an array, but never faults on its own
// instructions.
void run(vek::CompiledProgram program, bool compiled) {
    vek::ProgramMachine machine;
    QuietMotor motor;
    machine.load(std::move(program));
    machine.start();
    for (int slice = 0; slice < 50 && machine.running(); ++slice) {
        motor.now = std::max(motor.now, machine.due());
        machine.run(motor, motor.now);
    }
    if (!machine.running() && !machine.fault().empty() && machine.fault().find(" at ") == std::string::npos)
        vek::fuzz::fail("a fault that does not say where");
    if (compiled)
        for (const char* own : {"stack", "out of the code", "past the end", "unknown"})
            if (machine.fault().find(own) != std::string::npos)
                vek::fuzz::fail("compiled code that breaks the machine");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const vek::ProgramScan scan = vek::scanProgram(std::string_view(reinterpret_cast<const char*>(data), size));
    std::size_t errors = 0;
    std::size_t warnings = 0;
    const vek::ProgramError* previous = nullptr;
    for (const auto& entry : scan.entries) {
        if (entry.message.empty() || entry.message != vek::programErrorMessage(entry.code))
            vek::fuzz::fail("an entry with a code that has no message");
        if (entry.line < 1 || entry.column < 1) vek::fuzz::fail("an entry outside the text");
        if (previous &&
            (entry.line < previous->line || (entry.line == previous->line && entry.column < previous->column)))
            vek::fuzz::fail("entries out of the order of the text");
        previous = &entry;
        ++(vek::isProgramWarning(entry.code) ? warnings : errors);
    }
    // 25 errors and "Too many Errors.", 25 warnings and "Too many Warnings.".
    if (errors > 27 || warnings > 25) vek::fuzz::fail("the error list outgrew its limits");
    if (!scan.clean()) {
        // Labels 0..3 at the first four offsets the input names.
        vek::CompiledProgram raw{{}, std::vector<uint8_t>(data, data + size)};
        for (std::size_t i = 0; i < 4 && i < size; ++i) raw.labels.push_back(data[i]);
        run(std::move(raw), false);
        return 0;
    }
    if (scan.program.code.empty()) vek::fuzz::fail("a clean build without code");
    const auto smx = scan.program.toSmx();
    const auto back = vek::CompiledProgram::fromSmx(smx);
    if (!back || back->code != scan.program.code || back->labels != scan.program.labels)
        vek::fuzz::fail("a compiled program that does not survive its .smx form");
    for (const uint32_t offset : scan.program.labels)
        if (offset != vek::CompiledProgram::kNoLabel && offset >= scan.program.code.size())
            vek::fuzz::fail("a label outside the code");
    run(scan.program, true);
    return 0;
}
