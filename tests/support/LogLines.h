#pragma once
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

}  // namespace vek::test
