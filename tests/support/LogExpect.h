#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace vek::test {

// Log messages as VekTest::messages() keeps them: text and level.
using LogMessages = std::vector<std::pair<std::string, int>>;

// Whether every one of `lines` was logged, naming the first that was not:
//   EXPECT_TRUE(loggedAll(messages(), {"Starting MP", "Stopping MP"}));
inline ::testing::AssertionResult loggedAll(const LogMessages& messages, std::initializer_list<std::string> lines) {
    for (const auto& line : lines)
        if (std::none_of(messages.begin(), messages.end(), [&](const auto& m) { return m.first == line; }))
            return ::testing::AssertionFailure() << "not logged: " << line;
    return ::testing::AssertionSuccess();
}

// Whether a message starting with each of `prefixes` was logged.
inline ::testing::AssertionResult loggedStartingWith(const LogMessages& messages,
                                                     std::initializer_list<std::string> prefixes) {
    for (const auto& prefix : prefixes)
        if (std::none_of(messages.begin(), messages.end(),
                         [&](const auto& m) { return m.first.rfind(prefix, 0) == 0; }))
            return ::testing::AssertionFailure() << "nothing logged starting with: " << prefix;
    return ::testing::AssertionSuccess();
}

}  // namespace vek::test
