#include "support/ChainFixture.h"

namespace vek::test {

std::string wireFrames(const std::string& bytes, bool collapse) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    std::string frame;
    std::string previous;
    const auto endFrame = [&] {
        if (!collapse || frame != previous) text += (text.empty() ? "" : " ") + frame;
        previous = frame;
        frame.clear();
    };
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80 && b <= 0x88) {
            if (!frame.empty()) endFrame();
            frame += static_cast<char>('0' + (b - 0x80));
        } else if (b == '\r') {
            endFrame();
        } else if (b >= 0x20 && b <= 0x7E) {
            frame += c;
        } else {
            frame += std::string("<") + digits[b >> 4] + digits[b & 15] + ">";
        }
    }
    if (!frame.empty()) endFrame();
    return text;
}

std::shared_ptr<ProgramStore> keepPrograms(ChainEmulator& chain, int motor) {
    auto store = std::make_shared<ProgramStore>();
    chain.withMotor(motor, [store](emulator::EmulatedMotor& m) {
        m.commandHook = [store](const std::string& command) { return store->answer(command); };
    });
    return store;
}

std::vector<uint8_t> held(ChainEmulator& chain, int motor, const ProgramStore& store) {
    std::vector<uint8_t> program;
    chain.withMotor(motor, [&](emulator::EmulatedMotor&) { program = store.program(); });
    return program;
}

}  // namespace vek::test
