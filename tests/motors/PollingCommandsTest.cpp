#include <gtest/gtest.h>

#include "vek/comm/PollingCommands.h"

namespace vek {
namespace {

TEST(PollingCommandsTest, FrequentStatusQueriesOfAnyMotorAreSilent) {
    for (const char* c : {"1RW", "2RP", "0RBt", "3RI", "3RI12", "4RO", "4RO7", "5Ry", "6y=TEMP", "xRW"})
        EXPECT_TRUE(PollingCommands::isPolling(c)) << c;
}

TEST(PollingCommandsTest, EverythingElseIsLogged) {
    for (const char* c : {"1MP", "1RPr", "1RBr", "1RBt1", "RI3", "RW", "1R", "", "1y=V", "1RAMPS", "1y=TEMPX", "12RP"})
        EXPECT_FALSE(PollingCommands::isPolling(c)) << c;
}

}  // namespace
}  // namespace vek
