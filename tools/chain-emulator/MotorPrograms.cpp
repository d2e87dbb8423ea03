#include "MotorPrograms.h"

#include <cstdlib>
#include <memory>

#include "vek/comm/engine/CompiledProgram.h"
#include "vek/comm/engine/ProgramMachine.h"
#include "vek/comm/engine/ProgramStore.h"

namespace vek::emulator {

namespace {

// One motor's program: the store the host talks to, the machine that runs
// what the store holds, and the motor as the machine sees it.
class MotorProgram final : public EmulatedMotor::Program, private ProgramMotor {
public:
    MotorProgram(int motor, std::function<void(int, const std::string&)> onFault)
        : motor_(motor), onFault_(std::move(onFault)) {}

    // Asked before the motor itself: transfers, and RUN and END, which the
    // motor then accepts as well.
    std::optional<std::string> answer(const std::string& command) {
        if (auto reply = store_.answer(command)) return reply;
        if (command == "RUN") {
            // The machine runs what the store holds now.
            if (auto program = CompiledProgram::fromSmx(store_.program())) {
                machine_.load(std::move(*program));
                machine_.start();
            }
        } else if (command == "END") {
            machine_.stop();
        }
        return std::nullopt;
    }

    const std::vector<uint8_t>& held() const { return store_.program(); }

    double due() const override { return machine_.due(); }

    std::string run(EmulatedMotor& motor, double now) override {
        at_ = &motor;
        now_ = now;
        printed_.clear();
        machine_.run(*this, now);
        // A fault stops the program: this run is the last until the next RUN.
        if (!machine_.fault().empty()) {
            motor.flagSyntaxError();
            if (onFault_) onFault_(motor_, machine_.fault());
        }
        at_ = nullptr;
        return std::move(printed_);
    }

private:
    void command(const std::string& text) override { at_->execute(text, now_); }
    int32_t value(std::string_view word) override {
        const auto reply = at_->execute("R" + std::string(word), now_);
        return reply ? static_cast<int32_t>(std::strtol(reply->c_str(), nullptr, 10)) : 0;
    }
    int32_t input(int32_t n) override { return n >= 1 && n <= 12 ? value("I" + std::to_string(n)) : 0; }
    bool moving() override {
        at_->advance(now_);
        return at_->moving();
    }
    void print(std::string_view text) override { printed_ += text; }

    int motor_;
    std::function<void(int, const std::string&)> onFault_;
    ProgramStore store_;
    ProgramMachine machine_;
    EmulatedMotor* at_ = nullptr;
    double now_ = 0;
    std::string printed_;
};

}  // namespace

void giveMotorsPrograms(ChainEmulator& chain, std::function<void(int, const std::string&)> onFault) {
    for (int m = 1; m <= chain.motorCount(); ++m) {
        auto program = std::make_shared<MotorProgram>(m, onFault);
        chain.withMotor(m, [&](EmulatedMotor& motor) {
            motor.commandHook = [program](const std::string& command) { return program->answer(command); };
            motor.program = program;
        });
    }
}

std::vector<uint8_t> heldProgram(ChainEmulator& chain, int motor) {
    std::vector<uint8_t> program;
    chain.withMotor(motor, [&](EmulatedMotor& m) {
        if (const auto* mine = dynamic_cast<const MotorProgram*>(m.program.get())) program = mine->held();
    });
    return program;
}

}  // namespace vek::emulator
