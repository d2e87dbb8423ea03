#include <gtest/gtest.h>

#include "support/Each.h"
#include "vek/comm/PollingCommands.h"

namespace vek {
namespace {

// Frequent status queries of any motor are not logged; everything else is.
TEST(PollingCommandsTest, OnlyFrequentStatusQueriesOfAnyMotorAreSilent) {
    const auto polling = [](const char* c) { return PollingCommands::isPolling(c); };
    EXPECT_EQ(test::each({"1RW", "2RP", "0RBt", "3RI", "3RI12", "4RO", "4RO7", "5Ry", "6y=TEMP", "xRW"}, polling),
              "1|1|1|1|1|1|1|1|1|1");
    EXPECT_EQ(test::each({"1MP", "1RPr", "1RBr", "1RBt1", "RI3", "RW", "1R", "", "1y=V", "1RAMPS", "1y=TEMPX", "12RP"},
                         polling),
              "0|0|0|0|0|0|0|0|0|0|0|0");
}

}  // namespace
}  // namespace vek
