#include "vek/comm/engine/ProgramErrors.h"

#include <algorithm>
#include <iterator>

namespace vek {

namespace {

struct CodeMessage {
    int16_t code;
    const char* message;
};

// Typographic quotes, doubled blanks and the odd endings (36 and 38 without
// a period, 117 with a blank before it) are part of the texts.
constexpr CodeMessage kMessages[] = {
    {1, "New Line in constant string."},
    {2, "'(' expected."},
    {3, "')' expected."},
    {4, "Number expected."},
    {5, " \" expected."},
    {6, "',' expected."},
    {7, "End of program."},
    {8, "String Expected."},
    {9, "# Expected."},
    {10, "Communication Type Expected.  (RS2,RS4,IIC)."},
    {11, "Parity Expected (I,N,O,E)."},
    {12, "Communication Specification Expected (C,D,M)."},
    {13, "User Parameter Expected."},
    {14, "Invalid number of parameters."},
    {15, "Invalid Expression Term."},
    {16, "'[' expected."},
    {17, "']' expected."},
    {18, "Invalid Index."},
    {19, "Invalid Expression."},
    {20, "Syntax error."},
    {21, "Too many Errors."},
    {22, "Too many Warnings."},
    {23, "Lvalue required."},
    {24, "‘END’ expected."},
    {25, "Destination label not found."},
    {26, "Illegal ‘IF’ without matching ‘ENDIF’."},
    {27, "Illegal 'ELSEIF' without matching 'IF'."},
    {28, "Illegal 'ELSE' without matching 'IF'."},
    {29, "More than one 'ELSE'."},
    {30, "Illegal 'ELSEIF' after 'ELSE'."},
    {31, "Illegal 'ENDIF' without matching 'IF'."},
    {32, "Illegal 'WHILE' without matching 'LOOP'."},
    {33, "Illegal ‘LOOP’ without matching ‘WHILE’."},
    {34, "Illegal ‘SWITCH’ without matching ‘ENDS’."},
    {35, "‘CASE’ Expected."},
    {36, "Illegal ‘CASE’ without matching ‘SWITCH’"},
    {37, "Illegal ‘DEFAULT’ without matching ‘SWITCH’."},
    {38, "Illegal ‘CASE’ after ‘DEFAULT’"},
    {39, "More than one 'DEFAULT'."},
    {40, "Illegal ‘ENDS’ without matching ‘SWITCH’."},
    {41, "Illegal 'BREAK' without 'WHILE' or 'SWITCH'."},
    {70, "Too many nested keywords.  Cannot continue!"},
    {103, "Constant out of range.  (0 or 1)."},
    {104, "Constant out of range.  (0 .. 2)."},
    {105, "Constant out of range.  (1 .. 4)."},
    {106, "Constant out of range.  (0 .. 15)."},
    {107, "Constant out of range.  (0 .. 50)."},
    {108, "Constant out of range.  (0 .. 63)."},
    {109, "Constant out of range.  (0 .. 101)."},
    {110, "Constant out of range.  (2 .. 100)."},
    {111, "Constant out of range.  (0 .. 120)."},
    {112, "Constant out of range.  (0 .. 127)."},
    {113, "Constant out of range.  (0 .. 203)."},
    {114, "Constant out of range.  (-128 .. 127)."},
    {115, "Constant out of range.  (0 .. 255)."},
    {116, "Constant out of range.  (0 .. 999)."},
    {117, "Constant out of range.  (0 .. 1023) ."},
    {118, "Constant out of range.  (0 .. 32767)."},
    {119, "Constant out of range.  (-32768 .. 32767)."},
    {120, "Constant out of range.  (0 .. 65535)."},
    {121, "Constant out of range.  (0 .. 2147483647)."},
    {123, "A bit rate value expected."},
    {124, "Constant out of range.  (Only 8)."},
    {129, "Possible loss of data.  (Range mismatch.)"},
};

static_assert(std::size(kMessages) == std::size(kProgramErrorCodes));

}  // namespace

std::string programErrorMessage(int32_t code) {
    const auto* end = std::end(kMessages);
    const auto* found =
        std::lower_bound(std::begin(kMessages), end, code, [](const CodeMessage& m, int32_t c) { return m.code < c; });
    return found != end && found->code == code ? found->message : std::string();
}

}  // namespace vek
