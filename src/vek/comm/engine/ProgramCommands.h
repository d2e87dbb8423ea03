#pragma once
#include <cstdint>
#include <string_view>

namespace vek {

// The motor commands of the program language (LANGUAGE.md): one table of
// words, the forms each takes and the range a constant value must keep. The
// ids are stored in compiled programs and never change meaning.
struct ProgramCommand {
    enum Form : uint8_t {
        Bare = 1,  // the word alone: G, MP, BRKSRV
        Set = 2,   // WORD=value: V=1000
        Read = 4,  // a value in expressions and reports: P, Bt, TEMP
    };
    std::string_view word;
    uint8_t id;
    uint8_t forms;
    // The warning for a constant value outside the command's range; 0 when
    // any 32-bit value is fine.
    int16_t rangeWarning;

    bool has(Form form) const { return (forms & form) != 0; }
};

// The command of `word`; null when the word is no motor command.
const ProgramCommand* findProgramCommand(std::string_view word);
// The command with `id`; null when there is none.
const ProgramCommand* programCommandById(uint8_t id);

// Ids of the commands with a number of their own and of RUN? (not in the
// word table: their syntax differs).
namespace ProgramCommandId {
enum : uint8_t {
    SADDR = 200,
    BAUD = 201,
    RUN_IF_ASKED = 202,
    ORIGIN = 203,  // O=value
};
}

// The range a constant must keep for range warning `code` (103..121).
struct ConstantRange {
    int64_t low;
    int64_t high;
};
ConstantRange programWarningRange(int16_t code);

// The serial rates BAUD and OCHN accept.
bool isProgramBitRate(int64_t rate);

}  // namespace vek
