#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace vek::test {

// Questions about the messages a VekTest collected from the log: pairs of
// text and level, oldest first.
using LogLines = std::vector<std::pair<std::string, int>>;

// How many messages read exactly `text`.
inline int countLogged(const LogLines& lines, const std::string& text) {
    int n = 0;
    for (const auto& [m, l] : lines) n += m == text;
    return n;
}

// Whether a message read exactly `text` at `level`.
inline bool loggedAt(const LogLines& lines, const std::string& text, int level) {
    for (const auto& [m, l] : lines)
        if (m == text && l == level) return true;
    return false;
}

// Whether a message began with `prefix`.
inline bool loggedStartingWith(const LogLines& lines, const std::string& prefix) {
    for (const auto& [m, l] : lines)
        if (m.rfind(prefix, 0) == 0) return true;
    return false;
}

// Whether every one of `lines` was logged, naming the first that was not:
//   EXPECT_TRUE(loggedAll(messages(), {"Starting MP", "Stopping MP"}));
inline ::testing::AssertionResult loggedAll(const LogLines& messages, std::initializer_list<std::string> lines) {
    for (const auto& line : lines)
        if (countLogged(messages, line) == 0) return ::testing::AssertionFailure() << "not logged: " << line;
    return ::testing::AssertionSuccess();
}

// Whether every one of `lines` was logged at `level`, naming the first that
// was not.
inline ::testing::AssertionResult loggedAllAt(const LogLines& messages, int level,
                                              std::initializer_list<std::string> lines) {
    for (const auto& line : lines)
        if (!loggedAt(messages, line, level))
            return ::testing::AssertionFailure() << "not logged at level " << level << ": " << line;
    return ::testing::AssertionSuccess();
}

// Whether a message starting with each of `prefixes` was logged.
inline ::testing::AssertionResult loggedAllStartingWith(const LogLines& messages,
                                                        std::initializer_list<std::string> prefixes) {
    for (const auto& prefix : prefixes)
        if (!loggedStartingWith(messages, prefix))
            return ::testing::AssertionFailure() << "nothing logged starting with: " << prefix;
    return ::testing::AssertionSuccess();
}

}  // namespace vek::test
