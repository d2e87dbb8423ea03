// Developer commands on the simulated channel: motor texts as written, the
// once-only warning, refusals before anything is sent.
#include <gtest/gtest.h>

#include "CommandsTestFixture.h"
#include "vek/commands/DevCommands.h"

namespace vek::test {
namespace {

TEST_F(CommandsTest, DevCommandsSpeakTheMotorLanguageOnTheChannel) {
    auto& dev = *runtime().devCommands;
    EXPECT_EQ(failure([&] { dev.ReadSmartMotorResponse(); }), "3 QDX: No connection is open.");
    connect(2);
    commands().DoPositionMove(2, 5, 20, 100);
    commands().WaitForStop(2);
    EXPECT_EQ(dev.ReadSmartMotorResponse(), "");
    dev.WriteSmartMotorCommand(2, "RP");
    EXPECT_EQ(dev.ReadSmartMotorResponse(), "2000");
    EXPECT_EQ(dev.ReadSmartMotorResponse(), "");
    EXPECT_EQ(failure([&] { dev.WriteSmartMotorCommand(3, "RP"); }), "11 QDX: Motor Index 3 is invalid.");
    dev.WriteSmartMotorCommand(1, "RP");
    EXPECT_EQ(dev.ReadSmartMotorResponse(), toText(motor(1).position()));
    EXPECT_EQ(countLogged(messages(),
                          "QDXDEV commands are used primarily for experimentations. Please consider "
                          "using equivalent QDX commands."),
              1);
    EXPECT_TRUE(loggedAt(messages(),
                         "QDXDEV commands are used primarily for experimentations. Please consider using "
                         "equivalent QDX commands.",
                         LogLevel::Error));
}

}  // namespace
}  // namespace vek::test
