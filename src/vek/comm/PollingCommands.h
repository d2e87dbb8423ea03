#pragma once
#include <string_view>

namespace vek {

// The frequent status queries that the channels leave out of the log, so that
// a waiting loop polling a motor does not flood it. Each pattern has one
// character in front (the motor number): "?RW", "?RP", "?RBt", "?RI*",
// "?RO*", "?Ry", "?y=TEMP"; "*" is any run of characters.
class PollingCommands {
public:
    static bool isPolling(std::string_view command);
};

}  // namespace vek
