// The Ethernet board's messages, and the Ethernet channel answering as the
// simulated one under its own name.
#include <gtest/gtest.h>

#include "support/Each.h"
#include "support/LogLines.h"
#include "support/SimulationFixture.h"
#include "vek/comm/CommunicationEthernet.h"
#include "vek/comm/Ethernet.h"
#include "vek/comm/engine/MotorEngine.h"
#include "vek/foundation/Log.h"

namespace vek::test {
namespace {

TEST(EthernetMessages, TextsPortsAndTheEmptyEnvelope) {
    const Ethernet ethernet;
    EXPECT_EQ(ethernet.getProvisioningProtocol(), "HELLO F2812?");
    EXPECT_EQ(ethernet.getConfigurationProtocol("A", "B", "C", "D"), "CONFABCD");
    EXPECT_EQ(ethernet.getConfigurationProtocol(std::string("00:1A"), 192, 2.5, true), "CONF00:1A1922.5True");
    EXPECT_EQ(ethernet.applyEnvelope(" any\r\ntext "), " any\r\ntext ");
    EXPECT_EQ(each<int32_t>(
                  {EthernetConstants::UDP_DSP_PORT, EthernetConstants::TCP_DSP_PORT, EthernetConstants::UDP_HOST_PORT},
                  [](int32_t port) { return port; }),
              "2003|2001|2007");
}

class EthernetChannel : public SimulationTest {};

TEST_F(EthernetChannel, AnswersAsTheSimulatedChannelUnderItsOwnName) {
    auto ethernet = std::make_shared<CommunicationEthernet>(std::make_shared<SimulatedChain>(motors_, configuration_));
    channel_ = ethernet;
    addMotor(1, MotorConstants::TYPE_SM, 200, 10, 1000);
    addMotor(2, MotorConstants::TYPE_SM, 200, 10, 2000);
    ethernet->OpenPort("ETH", 9600);
    std::string answers = ethernet->getResponseOf("2RP") + " ";
    answers += ethernet->getResponseOf("1RSP") + " ";
    ethernet->WriteCommand("0RP");
    answers += ethernet->ReadResponse() + " ";
    answers += ethernet->ReadResponse() + " ";
    answers += ethernet->getResponseOf("1EIGN(2)") + ethernet->getResponseOf("RP");
    EXPECT_EQ(answers, "2000 24576/477K 1000 2000 ");
    EXPECT_TRUE(loggedAllAt(messages(), LogLevel::DEVELOPER, {"Initializing vek.CommunicationEthernet", "> 1EIGN(2)"}));
    EXPECT_TRUE(loggedAllAt(
        messages(), LogLevel::WARNING,
        {"Simulation doesn't support the command EIGN(2)", "Please prepend the motor number before the command"}));
    // The simulated channel tunes the engine's timing; this one leaves it.
    const auto simulated = std::make_shared<CommunicationSimulation>();
    EXPECT_EQ(each<int16_t>({2, 3}, [&](int16_t i) { return ethernet->getObject()->numericSetting(i); }),
              each<int16_t>({2, 3}, [&](int16_t i) { return MotorEngine().numericSetting(i); }));
    EXPECT_EQ(each<int16_t>({2, 3}, [&](int16_t i) { return simulated->getObject()->numericSetting(i); }), "2|20");
    ethernet.reset();
    channel_.reset();
    EXPECT_TRUE(loggedAt(messages(), "Terminating vek.Communication", LogLevel::DEVELOPER));
}

}  // namespace
}  // namespace vek::test
