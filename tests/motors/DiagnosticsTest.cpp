// The recovery routine on the wire: which axes count as healthy, and the
// remedies it sends before checking again.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "MotorTestFixture.h"
#include "support/LogLines.h"
#include "vek/foundation/Convert.h"
#include "vek/motors/Diagnostics.h"

namespace vek::test {
namespace {

class DiagnosticsWire : public MotorTest {
protected:
    void SetUp() override {
        MotorTest::SetUp();
        channel_->setDefaultAnswer("0");
        registerAxes({motor_});
        diagnostics_.setOwner(nullptr, [this] { return axes_; });
    }
    // Motor 1 arrives at the last position it was sent (when `moves`).
    void followTargets(bool moves = true) {
        channel_->setResponder([this, moves](const std::string& cmd) -> std::optional<std::string> {
            const auto& c = channel_->commands();
            const auto to = std::find_if(c.rbegin(), c.rend(), [](auto& t) { return t.rfind("1P=", 0) == 0; });
            if (moves && to != c.rend()) position_ = static_cast<int32_t>(val(to->substr(3)));
            if (cmd == "1RP") return std::to_string(position_);
            // The left switch lets go once the axis is 2000 counts clear of it.
            if (cmd == "1RBm") return leftLimit_ && position_ < 3000 ? "1" : "0";
            return std::nullopt;
        });
    }

    int32_t position_ = 1000;
    bool leftLimit_ = false;
    Diagnostics diagnostics_;
};

// Healthy is answering and moving 500 counts each way, back to the start;
// an error on the way makes the axis unhealthy without raising.
TEST_F(DiagnosticsWire, AxisMustAnswerAndMoveBothWays) {
    followTargets();
    EXPECT_TRUE(diagnostics_.isMotorHealthy(*motor_));
    EXPECT_THAT(wire(), ::testing::ContainsRegex("1P=1500 1A=100 1V=500000 .*1P=1000 "));
    EXPECT_EQ(position_, 1000);

    channel_->failOnce("1RP", std::make_exception_ptr(NumberedError(1, "port gone")));
    EXPECT_FALSE(diagnostics_.isMotorHealthy(*motor_));

    channel_->clear();
    followTargets(false);
    EXPECT_FALSE(diagnostics_.isMotorHealthy(*motor_));
    EXPECT_TRUE(sent("1P=1500"));
    EXPECT_FALSE(diagnostics_.checkAllMotors());
    EXPECT_TRUE(logged("Motor 1 still is not healthy..."));
}

// Families by the motor vocabulary's rule: a type with bit 2 or 4 is a Dravo
// whatever else it has, and a Dravo is checked between the ends it reports.
TEST_F(DiagnosticsWire, FamiliesAndTheEndsADravoReports) {
    struct Case {
        int16_t type;
        const char* rightEnd;
        bool healthy;
        bool asksEnds;
    };
    for (const Case& c : {Case{SM, "", true, false}, Case{3, "90000", true, true}, Case{GZ, "90000", true, true},
                          Case{JP, "", false, true}, Case{WX, "?", false, true}, Case{0, "90000", false, false}}) {
        motor_->setMotorType(c.type);
        channel_->clear();
        followTargets();
        channel_->answer("1RPr", c.rightEnd);
        channel_->answer("1RPl", "0");
        EXPECT_EQ(diagnostics_.isMotorHealthy(*motor_), c.healthy) << c.type << " " << c.rightEnd;
        EXPECT_EQ(sent("1RPr"), c.asksEnds) << c.type;
    }
}

TEST_F(DiagnosticsWire, AxisOnItsLeftLimitIsMovedAwayFirst) {
    followTargets();
    leftLimit_ = true;
    EXPECT_TRUE(diagnostics_.fixLimitSwitches());
    EXPECT_TRUE(loggedAll(messages(),
                          {"Motor 1 has negative limit problem. Resetting & moving away...", "Motor 1 is healthy."}));
    EXPECT_THAT(wire(), ::testing::ContainsRegex("1ZS .*1P=3000"));
    EXPECT_FALSE(sent("1MV")) << "off the switch after that move: no velocity-mode drive needed";
}

TEST_F(DiagnosticsWire, WithoutAxesEveryRemedyFails) {
    axes_->clear();
    int reopened = 0;
    diagnostics_.setOwner(
        [&](int32_t baudRate, const std::string& port) {
            ++reopened;
            EXPECT_EQ(baudRate, 9600);
            EXPECT_EQ(port, "COM3");
        },
        [this] { return axes_; });
    EXPECT_FALSE(diagnostics_.runDiagnostics(9600, "COM3"));
    EXPECT_EQ(reopened, 1);
    EXPECT_TRUE(loggedAll(messages(), {"Trying various diagnostics...", "Refreshing the serial connection... "}));
    EXPECT_FALSE(logged("Refreshed the serial connection."));
}

}  // namespace
}  // namespace vek::test
