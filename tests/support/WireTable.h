#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/RecordingChannel.h"

namespace vek::test {

// One call and the wire it must send: command texts in order, with
// RecordingChannel::kClear where the call clears the buffer.
struct WireCase {
    std::function<void()> call;
    std::vector<std::string> wire;
};

// Runs the cases in order, each on a cleared channel, and compares the trace
// of each with its wire:
//   expectWire(*channel_, {{[&] { motor.StopMotion(true); }, {"1X"}}});
inline void expectWire(RecordingChannel& channel, const std::vector<WireCase>& cases) {
    for (std::size_t i = 0; i < cases.size(); ++i) {
        channel.clear();
        cases[i].call();
        EXPECT_EQ(channel.trace(), cases[i].wire) << "wire case " << i + 1;
    }
}

}  // namespace vek::test
