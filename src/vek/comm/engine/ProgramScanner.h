#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "vek/comm/engine/CompiledProgram.h"

namespace vek {

// One entry of the scanner's error list: an error or a warning of
// SingleMotorProgramErrorConstants at a line and column (both from 1).
struct ProgramError {
    int32_t code = 0;
    int32_t line = 0;
    int32_t column = 0;
    std::string message;

    bool operator==(const ProgramError&) const = default;
};

// What a scan found: the entries in the order of their place in the text,
// and the compiled program, which is complete only when there is no entry.
struct ProgramScan {
    std::vector<ProgramError> entries;
    CompiledProgram program;

    bool clean() const { return entries.empty(); }
};

// Scans and compiles a motor program (the language of LANGUAGE.md) in one
// pass, in time linear in its size, whatever bytes it holds.
ProgramScan scanProgram(std::string_view text);

// The scanner object that single-motor programs hold: scans a file and
// offers its error list as a cursor (first entry, next entry, whether more
// follow) over code, line, column and message.
class ProgramScanner {
public:
    // Scans the program file; error 53 when it cannot be read.
    void scan(const std::string& sourceFile);
    void scanText(std::string_view text);
    const ProgramScan& result() const { return result_; }

    int32_t errorCount() const { return static_cast<int32_t>(result_.entries.size()); }
    void moveFirst() { cursor_ = 0; }
    void moveNext() {
        if (cursor_ < result_.entries.size()) ++cursor_;
    }
    // Whether an entry follows the current one.
    bool moreEntries() const { return cursor_ + 1 < result_.entries.size(); }
    // The current entry's fields; 0 and empty when there is none.
    int32_t code() const { return current().code; }
    int32_t line() const { return current().line; }
    int32_t column() const { return current().column; }
    std::string message() const { return current().message; }

private:
    const ProgramError& current() const;

    ProgramScan result_;
    std::size_t cursor_ = 0;
};

}  // namespace vek
