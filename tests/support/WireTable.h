#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "support/RecordingChannel.h"

namespace vek::test {

// Command texts in order, separated by blanks: "1MP 1P=1000 1G".
inline std::string wireText(const std::vector<std::string>& texts) {
    std::string text;
    for (const auto& t : texts) text += (text.empty() ? "" : " ") + t;
    return text;
}

// Standing answers of `channel` from "1RP=1500 1Ry=2000" (no blanks inside
// an answer).
inline void answerEach(RecordingChannel& channel, const std::string& pairs) {
    std::istringstream in(pairs);
    for (std::string pair; in >> pair;) {
        const auto eq = pair.find('=', 1);
        channel.answer(pair.substr(0, eq), pair.substr(eq + 1));
    }
}

// One call and the wire it must send as wireText of the channel's trace
// (RecordingChannel::kClear where the call clears the buffer).
struct WireCase {
    std::function<void()> call;
    std::string wire;
};

// Runs the cases in order, each on a cleared channel, and compares the wire
// of each:
//   expectWire(*channel_, {{[&] { motor.StopMotion(true); }, "1X"}});
inline void expectWire(RecordingChannel& channel, const std::vector<WireCase>& cases) {
    for (std::size_t i = 0; i < cases.size(); ++i) {
        channel.clear();
        cases[i].call();
        EXPECT_EQ(wireText(channel.trace()), cases[i].wire) << "wire case " << i + 1;
    }
}

}  // namespace vek::test
