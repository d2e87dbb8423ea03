#pragma once
#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "vek/comm/engine/CompiledProgram.h"

namespace vek {

// The motor a compiled program runs in, as the program sees it.
class ProgramMotor {
public:
    virtual ~ProgramMotor() = default;
    // A motor command in the form a host sends it: "G", "MP", "V=1000",
    // "O=0", "O3=1", "SADDR2", "BAUD9600".
    virtual void command(const std::string& text) = 0;
    // A motor value by its word (P, V, A, W, I, TEMP, Bt, ...).
    virtual int32_t value(std::string_view word) = 0;
    // Input n as the program asked for it (IN(n), RIn).
    virtual int32_t input(int32_t n) = 0;
    // True while a move is under way: TWAIT waits until it ends.
    virtual bool moving() = 0;
    // Text the program prints (PRINT, R...).
    virtual void print(std::string_view text) = 0;
};

// Runs a compiled motor program (PROTOCOL.md, "Running a program") the way
// a motor does: RUN starts it from its first instruction, END (in the
// program or from the host) stops it, WAIT and TWAIT let time pass. The
// machine never trusts the code: an instruction that would read outside
// the code, the stack or an array, a division by zero, an unknown label or
// a RETURN without GOSUB stops the program with a fault that names it.
// Variables and arrays keep their values from one run to the next, as a
// motor's do until it is reset.
class ProgramMachine {
public:
    static constexpr double kNever = std::numeric_limits<double>::infinity();
    // Instructions one run() executes at most; then the program yields for
    // kSliceSeconds, the time the motor's servo work takes between slices.
    static constexpr int kSlice = 100;
    static constexpr double kSliceSeconds = 0.001;
    // How often TWAIT looks at the trajectory.
    static constexpr double kTwaitSeconds = 0.001;
    static constexpr std::size_t kMaxStack = 256;
    static constexpr std::size_t kMaxGosubs = 32;
    static constexpr std::size_t kVariables = 26 + 26 * 26 + 26 * 26 * 26;
    static constexpr std::size_t kArrayBytes = 204;

    // Replaces the program; a running one stops.
    void load(CompiledProgram program);
    bool hasProgram() const { return !program_.code.empty(); }
    // RUN: from the first instruction, at the next run().
    void start();
    // END from the host.
    void stop();
    bool running() const { return running_; }
    // When run() next has work: at once while running, the end of a WAIT,
    // the next look at a TWAIT; kNever when stopped.
    double due() const { return running_ ? due_ : kNever; }
    // Runs the program on at `now` (seconds) until it ends, waits or has run
    // a slice.
    void run(ProgramMotor& motor, double now);
    // Why the program last stopped by itself ("division by zero at 0012");
    // empty when it ended with END, was stopped, or runs.
    const std::string& fault() const { return fault_; }

    int32_t variable(std::size_t n) const { return n < kVariables ? variables_[n] : 0; }

private:
    // Stops the program with `why` at the instruction that began at `at`.
    void halt(const std::string& why, std::size_t at);
    // One instruction; false when the program stopped or waits.
    bool step(ProgramMotor& motor, double now);

    CompiledProgram program_;
    bool running_ = false;
    double due_ = kNever;
    std::size_t pc_ = 0;
    std::vector<int32_t> stack_;
    std::vector<std::size_t> gosubs_;
    std::string fault_;
    std::vector<int32_t> variables_ = std::vector<int32_t>(kVariables, 0);
    // al[0..50], aw[0..101] and ab[0..203] share these bytes, little-endian.
    std::array<uint8_t, kArrayBytes> arrays_{};
};

}  // namespace vek
