#pragma once
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace vek {

// The instructions of a compiled motor program (PROTOCOL.md, "Compiled
// programs"): a stack machine over 32-bit integers. Operands follow the
// opcode byte, little-endian.
namespace ProgramOp {
enum : uint8_t {
    Push = 0x01,          // i32 value
    Load = 0x02,          // u16 variable
    Store = 0x03,         // u16 variable; pops the value
    LoadElement = 0x04,   // u8 array; pops the index, pushes the element
    StoreElement = 0x05,  // u8 array; pops the value, then the index
    Read = 0x06,          // u8 command id: pushes the motor value (P, Bt, TEMP)
    Input = 0x07,         // pops n, pushes input n
    Add = 0x10,
    Subtract = 0x11,
    Multiply = 0x12,
    Divide = 0x13,
    And = 0x14,
    Or = 0x15,
    Negate = 0x16,
    Equal = 0x17,
    NotEqual = 0x18,
    Less = 0x19,
    LessEqual = 0x1A,
    Greater = 0x1B,
    GreaterEqual = 0x1C,
    Jump = 0x20,        // u32 code offset
    JumpIfZero = 0x21,  // u32 code offset; pops the condition
    Gosub = 0x22,       // u16 label
    Goto = 0x23,        // u16 label
    Return = 0x24,
    End = 0x25,
    Select = 0x26,         // u16 n, n x (i32 value, u32 offset), u32 offset otherwise; pops the value
    Command = 0x30,        // u8 command id
    Set = 0x31,            // u8 command id; pops the value
    Output = 0x32,         // u8 output number; pops the state
    CommandNumber = 0x33,  // u8 command id (SADDR, BAUD), i32 number
    OpenChannel = 0x34,    // u8 type, u8 channel, u8 parity, i32 rate, u8 stop bits, u8 data bits, u8 mode
    PrintText = 0x40,      // u16 length, the bytes
    PrintValue = 0x41,     // pops the value, prints it in decimal
    PrintChar = 0x42,      // u8 character
    Report = 0x43,         // pops the value, prints it in decimal and a carriage return
};
}  // namespace ProgramOp

// The bitwise and comparison operators as the compiler folds constants and
// the motor evaluates them: comparisons give 1 or 0. Nothing for any other
// instruction.
template <typename T>
std::optional<T> programRelation(uint8_t op, T a, T b) {
    switch (op) {
        case ProgramOp::And: return a & b;
        case ProgramOp::Or: return a | b;
        case ProgramOp::Equal: return a == b;
        case ProgramOp::NotEqual: return a != b;
        case ProgramOp::Less: return a < b;
        case ProgramOp::LessEqual: return a <= b;
        case ProgramOp::Greater: return a > b;
        case ProgramOp::GreaterEqual: return a >= b;
        default: return std::nullopt;
    }
}

// The arrays of LoadElement and StoreElement.
namespace ProgramArray {
enum : uint8_t { al = 0, aw = 1, ab = 2 };
}

// Code being written: appends operands little-endian and patches jump
// targets once they are known.
class ProgramCode {
public:
    std::size_t size() const { return bytes_.size(); }
    const std::vector<uint8_t>& bytes() const { return bytes_; }
    std::vector<uint8_t> take() { return std::move(bytes_); }
    void truncate(std::size_t size) { bytes_.resize(size); }

    void op(uint8_t opcode) { bytes_.push_back(opcode); }
    void u8(uint8_t v) { bytes_.push_back(v); }
    void u16(uint16_t v) {
        bytes_.push_back(static_cast<uint8_t>(v));
        bytes_.push_back(static_cast<uint8_t>(v >> 8));
    }
    void u32(uint32_t v) {
        for (int shift = 0; shift < 32; shift += 8) bytes_.push_back(static_cast<uint8_t>(v >> shift));
    }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void text(std::string_view t) { bytes_.insert(bytes_.end(), t.begin(), t.end()); }
    // Writes a jump's u32 operand now; its place, for patch().
    std::size_t placeholder() {
        const std::size_t at = bytes_.size();
        u32(0);
        return at;
    }
    void patch(std::size_t at, uint32_t target) {
        for (int i = 0; i < 4; ++i) bytes_[at + static_cast<std::size_t>(i)] = static_cast<uint8_t>(target >> (8 * i));
    }
    uint32_t here() const { return static_cast<uint32_t>(bytes_.size()); }

private:
    std::vector<uint8_t> bytes_;
};

}  // namespace vek
