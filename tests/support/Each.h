#pragma once
#include <initializer_list>
#include <sstream>
#include <string>

namespace vek::test {

// `f` of each input, joined by "|", so that one comparison shows every case
// of a table (an empty result shows as "||"):
//   EXPECT_EQ(each({5, 10}, [](int v) { return hex(v); }), "05|0A");
template <typename T, typename F>
std::string each(std::initializer_list<T> inputs, F&& f) {
    std::ostringstream out;
    const char* separator = "";
    for (const T& input : inputs) {
        out << separator << f(input);
        separator = "|";
    }
    return out.str();
}

// The items of a collection in order, joined by "|" as each() joins results:
//   EXPECT_EQ(joined(*config.distinctSlidesData()), "JP65|JP90|WX21|WX75");
template <typename C>
std::string joined(const C& items) {
    std::ostringstream out;
    const char* separator = "";
    for (const auto& item : items) {
        out << separator << item;
        separator = "|";
    }
    return out.str();
}

}  // namespace vek::test
