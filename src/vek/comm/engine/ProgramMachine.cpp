#include "vek/comm/engine/ProgramMachine.h"

#include <cstdio>
#include <optional>

#include "vek/comm/engine/ProgramCode.h"
#include "vek/comm/engine/ProgramCommands.h"

namespace vek {

namespace {

// A program stopping on a fault inside one instruction.
struct Fault {
    std::string why;
};

struct ArrayShape {
    const char* name;
    std::size_t width;  // bytes per element
};

constexpr ArrayShape kArrays[] = {{"al", 4}, {"aw", 2}, {"ab", 1}};

const ArrayShape& arrayShape(uint8_t array) {
    if (array > ProgramArray::ab) throw Fault{"an unknown array " + std::to_string(array)};
    return kArrays[array];
}

std::size_t elementOffset(const ArrayShape& shape, int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= ProgramMachine::kArrayBytes / shape.width)
        throw Fault{std::string(shape.name) + "[" + std::to_string(index) + "] outside the array"};
    return static_cast<std::size_t>(index) * shape.width;
}

const ProgramCommand& commandOf(uint8_t id) {
    const ProgramCommand* command = programCommandById(id);
    if (!command) throw Fault{"an unknown motor command " + std::to_string(id)};
    return *command;
}

// Two's-complement arithmetic of the motor's 32-bit registers.
int32_t wrap(int64_t v) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v)));
}

int32_t arithmetic(uint8_t op, int32_t a, int32_t b) {
    switch (op) {
        case ProgramOp::Add: return wrap(int64_t{a} + b);
        case ProgramOp::Subtract: return wrap(int64_t{a} - b);
        case ProgramOp::Multiply: return wrap(int64_t{a} * b);
        case ProgramOp::Divide:
            if (b == 0) throw Fault{"division by zero"};
            return wrap(int64_t{a} / b);
        default: return programRelation(op, a, b).value_or(0);
    }
}

// Reads the operands of one instruction, never past the end of the code.
class Operands {
public:
    Operands(const std::vector<uint8_t>& code, std::size_t& pc) : code_(code), pc_(pc) {}

    uint32_t take(int bytes) {
        if (code_.size() - pc_ < static_cast<std::size_t>(bytes))
            throw Fault{"an instruction that runs past the end of the code"};
        uint32_t v = 0;
        for (int i = 0; i < bytes; ++i) v |= uint32_t{code_[pc_++]} << (8 * i);
        return v;
    }
    uint8_t u8() { return static_cast<uint8_t>(take(1)); }
    uint16_t u16() { return static_cast<uint16_t>(take(2)); }
    uint32_t u32() { return take(4); }
    int32_t i32() { return static_cast<int32_t>(take(4)); }
    std::string_view text(std::size_t length) {
        if (code_.size() - pc_ < length) throw Fault{"a text that runs past the end of the code"};
        const std::string_view t(reinterpret_cast<const char*>(code_.data() + pc_), length);
        pc_ += length;
        return t;
    }

private:
    const std::vector<uint8_t>& code_;
    std::size_t& pc_;
};

}  // namespace

void ProgramMachine::load(CompiledProgram program) {
    stop();
    program_ = std::move(program);
}

void ProgramMachine::start() {
    pc_ = 0;
    stack_.clear();
    gosubs_.clear();
    fault_.clear();
    running_ = hasProgram();
    due_ = -kNever;
}

void ProgramMachine::stop() {
    running_ = false;
    due_ = kNever;
}

void ProgramMachine::halt(const std::string& why, std::size_t at) {
    char where[16];
    std::snprintf(where, sizeof where, "%04zX", at);
    fault_ = why + " at " + where;
    stop();
}

void ProgramMachine::run(ProgramMotor& motor, double now) {
    if (!running_ || now < due_) return;
    due_ = now;
    for (int n = 0; n < kSlice; ++n) {
        const std::size_t at = pc_;
        try {
            if (!step(motor, now)) return;
        } catch (const Fault& fault) {
            return halt(fault.why, at);
        }
    }
    due_ = now + kSliceSeconds;
}

bool ProgramMachine::step(ProgramMotor& motor, double now) {
    const auto& code = program_.code;
    if (pc_ >= code.size()) throw Fault{"a jump out of the code"};
    Operands read(code, pc_);
    const auto pop = [this] {
        if (stack_.empty()) throw Fault{"an empty stack"};
        const int32_t v = stack_.back();
        stack_.pop_back();
        return v;
    };
    const auto push = [this](int32_t v) {
        if (stack_.size() >= kMaxStack) throw Fault{"a full stack"};
        stack_.push_back(v);
    };
    const auto variable = [this](uint16_t n) -> int32_t& {
        if (n >= kVariables) throw Fault{"an unknown variable " + std::to_string(n)};
        return variables_[n];
    };
    const auto jump = [&](uint32_t target) {
        if (target >= code.size()) throw Fault{"a jump out of the code"};
        pc_ = target;
    };
    const auto label = [this](uint16_t n) {
        if (n >= program_.labels.size() || program_.labels[n] == CompiledProgram::kNoLabel)
            throw Fault{"label C" + std::to_string(n) + " not defined"};
        return program_.labels[n];
    };
    const uint8_t op = read.u8();
    switch (op) {
        case ProgramOp::Push: push(read.i32()); break;
        case ProgramOp::Load: push(variable(read.u16())); break;
        case ProgramOp::Store: {
            const uint16_t n = read.u16();
            variable(n) = pop();
            break;
        }
        case ProgramOp::LoadElement: {
            const ArrayShape& shape = arrayShape(read.u8());
            const std::size_t offset = elementOffset(shape, pop());
            uint32_t raw = 0;
            for (std::size_t i = 0; i < shape.width; ++i) raw |= uint32_t{arrays_[offset + i]} << (8 * i);
            // aw and ab elements are signed.
            const int shift = static_cast<int>(32 - 8 * shape.width);
            push(static_cast<int32_t>(raw << shift) >> shift);
            break;
        }
        case ProgramOp::StoreElement: {
            const ArrayShape& shape = arrayShape(read.u8());
            const auto value = static_cast<uint32_t>(pop());
            const std::size_t offset = elementOffset(shape, pop());
            for (std::size_t i = 0; i < shape.width; ++i) arrays_[offset + i] = static_cast<uint8_t>(value >> (8 * i));
            break;
        }
        case ProgramOp::Read: push(motor.value(commandOf(read.u8()).word)); break;
        case ProgramOp::Input: push(motor.input(pop())); break;
        case ProgramOp::Negate: push(wrap(-int64_t{pop()})); break;
        case ProgramOp::Jump: jump(read.u32()); break;
        case ProgramOp::JumpIfZero: {
            const uint32_t target = read.u32();
            if (pop() == 0) jump(target);
            break;
        }
        case ProgramOp::Gosub: {
            const uint32_t target = label(read.u16());
            if (gosubs_.size() >= kMaxGosubs) throw Fault{"GOSUB nested too deep"};
            gosubs_.push_back(pc_);
            jump(target);
            break;
        }
        case ProgramOp::Goto: jump(label(read.u16())); break;
        case ProgramOp::Return:
            if (gosubs_.empty()) throw Fault{"RETURN without GOSUB"};
            pc_ = gosubs_.back();
            gosubs_.pop_back();
            break;
        case ProgramOp::End: stop(); return false;
        case ProgramOp::Select: {
            const int32_t value = pop();
            const uint16_t cases = read.u16();
            std::optional<uint32_t> target;
            for (uint16_t i = 0; i < cases; ++i) {
                const int32_t caseValue = read.i32();
                const uint32_t caseTarget = read.u32();
                if (!target && caseValue == value) target = caseTarget;
            }
            const uint32_t otherwise = read.u32();
            jump(target.value_or(otherwise));
            break;
        }
        case ProgramOp::Command: {
            const uint8_t id = read.u8();
            // The program runs because a host sent RUN: RUN? goes on.
            if (id == ProgramCommandId::RUN_IF_ASKED) break;
            const ProgramCommand& command = commandOf(id);
            if (command.word == "RUN") {
                start();
                return true;
            }
            if (command.word == "TWAIT" && motor.moving()) {
                pc_ -= 2;  // look again
                due_ = now + kTwaitSeconds;
                return false;
            }
            if (command.word != "TWAIT") motor.command(std::string(command.word));
            break;
        }
        case ProgramOp::Set: {
            const uint8_t id = read.u8();
            const int32_t value = pop();
            if (id == ProgramCommandId::ORIGIN) {
                motor.command("O=" + std::to_string(value));
                break;
            }
            const ProgramCommand& command = commandOf(id);
            if (command.word == "WAIT") {
                due_ = now + (value > 0 ? value / 1000.0 : 0.0);
                return false;
            }
            motor.command(std::string(command.word) + "=" + std::to_string(value));
            break;
        }
        case ProgramOp::Output: {
            const uint8_t n = read.u8();
            motor.command("O" + std::to_string(n) + "=" + std::to_string(pop()));
            break;
        }
        case ProgramOp::CommandNumber: {
            const uint8_t id = read.u8();
            const int32_t number = read.i32();
            if (id != ProgramCommandId::SADDR && id != ProgramCommandId::BAUD)
                throw Fault{"an unknown motor command " + std::to_string(id)};
            motor.command((id == ProgramCommandId::SADDR ? "SADDR" : "BAUD") + std::to_string(number));
            break;
        }
        case ProgramOp::OpenChannel:
            // The motor's second channel is not modelled: the settings are read and skipped.
            read.take(3);
            read.i32();
            read.take(3);
            break;
        case ProgramOp::PrintText: motor.print(read.text(read.u16())); break;
        case ProgramOp::PrintValue: motor.print(std::to_string(pop())); break;
        case ProgramOp::PrintChar: {
            const char c = static_cast<char>(read.u8());
            motor.print(std::string_view(&c, 1));
            break;
        }
        case ProgramOp::Report: motor.print(std::to_string(pop()) + "\r"); break;
        default:
            if (op >= ProgramOp::Add && op <= ProgramOp::GreaterEqual && op != ProgramOp::Negate) {
                const int32_t b = pop();
                const int32_t a = pop();
                push(arithmetic(op, a, b));
                break;
            }
            throw Fault{"an unknown instruction " + std::to_string(op)};
    }
    return true;
}

}  // namespace vek
