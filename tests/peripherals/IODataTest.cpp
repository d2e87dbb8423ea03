// The external I/O: discovery and the block mapping on a device double, the
// IO table, the simulated states, and the Modbus TCP coupler on loopback.
#include <gtest/gtest.h>

#include <map>

#include "ModbusPeers.h"
#include "PeripheralsFixture.h"
#include "support/SqlFile.h"
#include "vek/peripherals/IOData.h"
#include "vek/peripherals/IODataSimulation.h"
#include "vek/peripherals/ModbusIODevice.h"
#include "vek/persistence/Database.h"

namespace vek::test {
namespace {

// Finds the devices it is told to and writes down what it is asked.
struct DeviceDouble : IIODevice {
    std::vector<std::string> found;
    bool answers = true;
    std::string calls;
    int32_t deviceCount() override {
        calls += "count ";
        if (found.size() == 1 && found[0] == "throw") throw std::runtime_error("no coupler driver");
        return static_cast<int32_t>(found.size());
    }
    std::string deviceAddress(int32_t i) override { return found.at(static_cast<std::size_t>(i)); }
    void selectDevice(int32_t i) override { calls += "select " + std::to_string(i) + " "; }
    std::optional<bool> readBit(int16_t block, int16_t bit) override {
        calls += "read " + std::to_string(block) + "." + std::to_string(bit) + " ";
        return answers ? std::optional<bool>(bit % 2 == 1) : std::nullopt;
    }
    bool writeBit(int16_t block, int16_t bit, bool state) override {
        calls += "write " + std::to_string(block) + "." + std::to_string(bit) + "=" + std::to_string(state) + " ";
        return answers;
    }
};

class IODataTest : public PeripheralsTest {
protected:
    void SetUp() override {
        PeripheralsTest::SetUp();
        load(0);
    }
    void configure(const std::string& ioIP, int inBlocks = 2) {
        runtime().configuration->storeConfigValue("ioIP", ioIP);
        runtime().configuration->storeConfigValue("ioInBlocks", std::to_string(inBlocks));
    }
    std::shared_ptr<IOData> withDevice(std::shared_ptr<DeviceDouble> device) {
        return std::make_shared<IOData>(runtime().database, *runtime().configuration,
                                        [device](const std::string&, auto) { return device; });
    }
    std::shared_ptr<IOData> onCoupler(const std::string& address) {
        configure(address);
        return std::make_shared<IOData>(runtime().database, *runtime().configuration);
    }
};

// Only a device reporting the configured address is used; an empty address
// asks for no device at all; a failing device control is logged.
TEST_F(IODataTest, DiscoveryUsesTheDeviceAtTheConfiguredAddress) {
    using Case = std::pair<std::string, std::vector<std::string>>;
    const auto discover = [&](const Case& c) {
        configure(c.first);
        auto device = std::make_shared<DeviceDouble>();
        device->found = c.second;
        return std::to_string(withDevice(device)->externalDeviceFound()) + " " + device->calls;
    };
    EXPECT_EQ(each<Case>({{"", {"192.168.0.10"}},
                          {" 192.168.0.10 ", {"192.168.0.11", "192.168.0.10"}},
                          {"192.168.0.10", {"192.168.0.11"}},
                          {"192.168.0.10", {"throw"}}},
                         discover),
              "0 |1 count select 1 |0 count |0 count ");
    EXPECT_TRUE(loggedAll(
        messages(), {"2 external IODevice(s) detected.",
                     "Configured IP address 192.168.0.10 is not same as the device IP 192.168.0.11 found on the "
                     "network.",
                     "Configured IP address 192.168.0.10 is same as a device IP found on the network. Using the "
                     "device for external IOs.",
                     "Error encountered while initializing controls (check IWXEBCComm.ocx) -> no coupler driver"}));
}

// Inputs sit in the first ioInBlocks blocks, outputs after them; without a
// device, or when it does not answer, reads are false and writes go nowhere.
TEST_F(IODataTest, BlockMappingAndMissingDevice) {
    configure("127.0.0.7", 2);
    auto device = std::make_shared<DeviceDouble>();
    device->found = {"127.0.0.7"};
    auto io = withDevice(device);
    device->calls.clear();
    std::string states;
    for (int16_t n : {1, 16, 17}) states += std::to_string(io->getInputState(n));
    for (int16_t n : {1, 17}) states += std::to_string(io->getOutputState(n));
    io->setOutputState(16, true);
    EXPECT_EQ(states + " " + device->calls, "01000 read 0.0 read 0.15 read 1.0 read 2.0 read 3.0 write 2.15=1 ");

    device->answers = false;
    clearMessages();
    EXPECT_FALSE(io->getInputState(2));
    io->setOutputState(1, true);
    io->setExternalDeviceFound(false);
    EXPECT_FALSE(io->getOutputState(2));
    EXPECT_EQ(countLogged(messages(), "No external device is found."), 3);
}

// Labels are matched exactly; the table keeps inputs before outputs, with
// bound names, new keys, and nothing changed by a failed save.
TEST_F(IODataTest, LabelsAndTheIOTable) {
    execute(
        "INSERT INTO IO (ioNumber, ioName, ioType) VALUES (1, 'Lamp', 2), (1, 'Valve', 1), (2, ' Door ', 1), "
        "(9, 'Analog', 3), (2, 'O''Brien', 2)");
    auto io = std::make_shared<IODataSimulation>(runtime().database, *runtime().configuration);
    EXPECT_EQ(std::to_string(io->getInputLabelIndex("Door")) + std::to_string(io->getOutputLabelIndex("O'Brien")),
              "22");
    EXPECT_TRUE(raisesNumbered(
        11, [&] { io->getInputLabelIndex("valve"); }, "Input IO valve is not valid."));
    EXPECT_TRUE(raisesNumbered(
        11, [&] { io->getOutputLabelIndex("Valve"); }, "Output IO Valve is not valid."));
    EXPECT_EQ(io->ioTypeNames()[1] + "|" + io->ioTypeNames()[2], "Digital Input|Digital Output");
    EXPECT_EQ(io->ios(3), nullptr);

    io->saveIOs();
    EXPECT_EQ(
        rowsOf(db(), "SELECT ioKey > 5, ioNumber, ioName, ioType FROM IO ORDER BY ioKey"),
        (Rows{{"1", "1", "Valve", "1"}, {"1", "2", "Door", "1"}, {"1", "1", "Lamp", "2"}, {"1", "2", "O'Brien", "2"}}));
    const std::string before = dumpOf(db());
    runtime().database->Connection()->failStatement(3);
    EXPECT_TRUE(raisesNumbered(ErrorCodes::DATABASE_ERROR, [&] { io->saveIOs(); }));
    EXPECT_EQ(dumpOf(db()), before);
    runtime().configuration->storeConfigValue("ioOutBlocks", "two");
    EXPECT_TRUE(raisesNumbered(
        13, [&] { IODataSimulation(runtime().database, *runtime().configuration); },
        "The configuration value ioOutBlocks \"two\" is not a number of blocks. [Type "
        "mismatch]"));
}

// The simulation keeps states in the IO objects, counted in table order.
TEST_F(IODataTest, SimulationKeepsStatesInTheIOs) {
    execute("INSERT INTO IO (ioNumber, ioName, ioType) VALUES (7, 'a', 1), (8, 'b', 2), (9, 'c', 2)");
    IODataSimulation io(runtime().database, *runtime().configuration);
    io.ios(IOTypes::DIGITAL_INPUT)->item(1)->setState(true);
    io.setOutputState(2, true);
    EXPECT_EQ(std::to_string(io.getInputState(1)) + std::to_string(io.getOutputState(1)) +
                  std::to_string(io.getOutputState(2)) + std::to_string(io.ios(2)->item("3")->state()),
              "1011");
    EXPECT_TRUE(eachRaisesNumbered(9, {[&] { io.getInputState(2); }, [&] { io.setOutputState(0, true); }}));
}

// A Modbus TCP coupler (pymodbus): inputs are its discrete inputs, outputs
// its coils after the input blocks. Killed mid-run, it fails reads and
// writes softly; once one answers at the address again (after the retry
// interval) the same object reaches it.
TEST_F(IODataTest, ModbusCoupler) {
    auto coupler = std::make_unique<Coupler>(std::vector<std::string>{"i1", "i16"});
    ASSERT_TRUE(coupler->ready());
    const int port = coupler->port();
    const std::string address = coupler->address();
    auto io = onCoupler(address);
    ASSERT_TRUE(io->externalDeviceFound());
    io->setOutputState(3, true);
    std::string states;
    for (int16_t n : {1, 2, 16, 17}) states += std::to_string(io->getInputState(n));
    for (int16_t n : {2, 3, 4}) states += std::to_string(io->getOutputState(n));
    EXPECT_EQ(states, "0101010");

    coupler.reset();
    clearMessages();
    EXPECT_FALSE(io->getInputState(17));
    io->setOutputState(3, false);
    EXPECT_EQ(countLogged(messages(), "No external device is found."), 2);
    EXPECT_TRUE(loggedStartingWith(messages(), "External IO device " + address + " does not answer (input 16): "));
    coupler = std::make_unique<Coupler>(std::vector<std::string>{"i16"}, port);
    ASSERT_TRUE(coupler->ready());
    EXPECT_FALSE(io->getInputState(17));  // within the retry interval
    clock_->advance(1.5);
    EXPECT_TRUE(io->getInputState(17));
    EXPECT_TRUE(logged("External IO device " + address + " answers again."));
}

// No coupler at the address: a closed port, or a port that never answers,
// leaves the device not found within the discovery time-out.
TEST_F(IODataTest, NoCouplerAtTheAddress) {
    const Listener silent;
    for (int port : {freePort(), silent.port}) {
        const auto start = SteadyClock::now();
        auto io = onCoupler("127.0.0.1:" + std::to_string(port));
        EXPECT_LT(std::chrono::duration<double>(SteadyClock::now() - start).count(), 1.0);
        EXPECT_FALSE(io->externalDeviceFound());
        EXPECT_FALSE(io->getInputState(1));
    }
    EXPECT_EQ(countLogged(messages(), "0 external IODevice(s) detected."), 2);
}

}  // namespace
}  // namespace vek::test
