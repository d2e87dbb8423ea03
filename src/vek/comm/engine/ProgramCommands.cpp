#include "vek/comm/engine/ProgramCommands.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "vek/comm/engine/ProgramErrors.h"

namespace vek {

namespace {

using C = ProgramCommand;
using W = SingleMotorProgramErrorConstants::Value;
constexpr uint8_t kBare = C::Bare;
constexpr uint8_t kSet = C::Set;
constexpr uint8_t kRead = C::Read;

// Sorted by word (byte order) for the binary search below.
constexpr ProgramCommand kCommands[] = {
    {"A", 1, kSet | kRead, W::WR_OTU31B},
    {"ADDR", 2, kSet | kRead, W::WR_OTU7B},
    {"AMPS", 3, kSet | kRead, W::WR_OTU10B},
    {"Ai", 4, kBare, 0},
    {"BRKENG", 5, kBare, 0},
    {"BRKRLS", 6, kBare, 0},
    {"BRKSRV", 7, kBare, 0},
    {"BRKSTP", 8, kBare, 0},
    {"Ba", 9, kRead, 0},
    {"Bd", 10, kRead, 0},
    {"Be", 11, kRead, 0},
    {"Bh", 12, kRead, 0},
    {"Bi", 13, kRead, 0},
    {"Bk", 14, kRead, 0},
    {"Bl", 15, kRead, 0},
    {"Bm", 16, kRead, 0},
    {"Bo", 17, kRead, 0},
    {"Bp", 18, kRead, 0},
    {"Br", 19, kRead, 0},
    {"Bs", 20, kRead, 0},
    {"Bt", 21, kRead, 0},
    {"Bu", 22, kRead, 0},
    {"Bw", 23, kRead, 0},
    {"Bx", 24, kRead, 0},
    {"D", 25, kSet, 0},
    {"DOUT", 26, kSet, W::WR_OTU6B},
    {"DUTY", 27, kSet, W::WR_OT2TO100},
    {"E", 28, kSet | kRead, W::WR_OTU15B},
    {"ECHO", 29, kBare, 0},
    {"ECHO_OFF", 30, kBare, 0},
    {"F", 31, kBare | kSet, W::WR_OT0TO2},
    {"G", 32, kBare, 0},
    {"I", 33, kRead, 0},
    {"KA", 34, kSet | kRead, W::WR_OTU15B},
    {"KD", 35, kSet | kRead, W::WR_OTU15B},
    {"KG", 36, kSet | kRead, W::WR_OTS16B},
    {"KI", 37, kSet | kRead, W::WR_OTU15B},
    {"KL", 38, kSet | kRead, W::WR_OTU15B},
    {"KP", 39, kSet | kRead, W::WR_OTU15B},
    {"KS", 40, kSet | kRead, W::WR_OTU4B},
    {"KV", 41, kSet | kRead, W::WR_OTU15B},
    {"MP", 42, kBare, 0},
    {"MV", 43, kBare, 0},
    {"OFF", 44, kBare, 0},
    {"P", 45, kSet | kRead, 0},
    {"PID", 46, kSet, W::WR_OT1TO4},
    {"RUN", 47, kBare, 0},
    {"S", 48, kBare, 0},
    {"SILENT", 49, kBare, 0},
    {"SLEEP", 50, kBare, 0},
    {"TALK", 51, kBare, 0},
    {"TEMP", 52, kRead, 0},
    {"TWAIT", 53, kBare, 0},
    {"V", 54, kSet | kRead, W::WR_OTU31B},
    {"W", 55, kRead, 0},
    {"WAIT", 56, kSet, W::WR_OTU16B},
    {"WAKE", 57, kBare, 0},
    {"X", 58, kBare, 0},
    {"Z", 59, kBare, 0},
    {"ZS", 60, kBare, 0},
    {"Za", 61, kBare, 0},
    {"Zb", 62, kBare, 0},
    {"Zc", 63, kBare, 0},
    {"Zd", 64, kBare, 0},
    {"Zf", 65, kBare, 0},
    {"Zl", 66, kBare, 0},
    {"Zr", 67, kBare, 0},
    {"Zs", 68, kBare, 0},
    {"Zu", 69, kBare, 0},
    {"Zw", 70, kBare, 0},
};

constexpr bool sortedByWord() {
    for (std::size_t i = 1; i < std::size(kCommands); ++i)
        if (!(kCommands[i - 1].word < kCommands[i].word)) return false;
    return true;
}
static_assert(sortedByWord(), "the command table must stay sorted by word");

constexpr std::array<int64_t, 7> kBitRates = {2400, 4800, 9600, 19200, 38400, 57600, 115200};

}  // namespace

const ProgramCommand* findProgramCommand(std::string_view word) {
    const auto* end = std::end(kCommands);
    const auto* found = std::lower_bound(std::begin(kCommands), end, word,
                                         [](const ProgramCommand& c, std::string_view w) { return c.word < w; });
    return found != end && found->word == word ? found : nullptr;
}

const ProgramCommand* programCommandById(uint8_t id) {
    for (const auto& command : kCommands)
        if (command.id == id) return &command;
    return nullptr;
}

ConstantRange programWarningRange(int16_t code) {
    switch (code) {
        case W::WR_OTU1B: return {0, 1};
        case W::WR_OT0TO2: return {0, 2};
        case W::WR_OT1TO4: return {1, 4};
        case W::WR_OTU4B: return {0, 15};
        case W::WR_OTI32: return {0, 50};
        case W::WR_OTU6B: return {0, 63};
        case W::WR_OTI16: return {0, 101};
        case W::WR_OT2TO100: return {2, 100};
        case W::WR_OT0TO120: return {0, 120};
        case W::WR_OTU7B: return {0, 127};
        case W::WR_OTI8: return {0, 203};
        case W::WR_OTS8B: return {-128, 127};
        case W::WR_OTU8B: return {0, 255};
        case W::WR_OT0TO999: return {0, 999};
        case W::WR_OTU10B: return {0, 1023};
        case W::WR_OTU15B: return {0, 32767};
        case W::WR_OTS16B: return {-32768, 32767};
        case W::WR_OTU16B: return {0, 65535};
        case W::WR_OTU31B: return {0, INT32_MAX};
        default: return {INT32_MIN, INT32_MAX};
    }
}

bool isProgramBitRate(int64_t rate) {
    return std::find(kBitRates.begin(), kBitRates.end(), rate) != kBitRates.end();
}

}  // namespace vek
