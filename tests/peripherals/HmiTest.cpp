// The operator panel's Modbus TCP slave against real masters: mbpoll as a
// separate process, and raw masters that misbehave.
#include <gtest/gtest.h>

#include "ModbusPeers.h"
#include "PeripheralsFixture.h"
#include "support/SqlFile.h"
#include "vek/foundation/Error.h"
#include "vek/foundation/Log.h"
#include "vek/motion/Server.h"
#include "vek/peripherals/IOData.h"
#include "vek/peripherals/IODataSimulation.h"

namespace vek::test {
namespace {

class HmiTest : public PeripheralsTest {
protected:
    std::string poll(const std::vector<std::string>& options) {
        const ProcessResult r = mbpoll(hmi().port(), options);
        if (r.code == 0) return polled(r.out);
        const auto failed = r.out.find("failed: ");
        return "exit " + std::to_string(r.code) + ": " +
               (failed == std::string::npos ? r.out : r.out.substr(failed + 8, r.out.find('\n', failed) - failed - 8));
    }
};

// What vek writes the master reads (binary i at coil i + 1, register i as a
// big-endian 32-bit value at word 2i + 1); what the master writes vek reads
// and announces; SaveIO keeps both across a restart, which publishes them
// again. Addresses outside the blocks are refused, the slave serves on.
TEST_F(HmiTest, RealMasterReadsAndWritesThePanel) {
    load(0);
    hmi().WriteBinary(0, 1);
    hmi().WriteBinary(4, 1);
    hmi().WriteRegister(0, 70000);
    hmi().WriteRegister(2, -123456);
    EXPECT_EQ(poll({"-t", "0", "-r", "1", "-c", "6"}), "1=1 2=0 3=0 4=0 5=1 6=0");
    EXPECT_EQ(poll({"-t", "4:int", "-B", "-r", "1", "-c", "3"}), "1=70000 3=0 5=-123456");

    std::string announced;
    hmi().dataReceived.connect([&](int16_t& block, int16_t& i, int32_t& v) {
        announced += std::to_string(block) + ":" + std::to_string(i) + "=" + std::to_string(v) + " ";
    });
    EXPECT_EQ(mbpoll(hmi().port(), {"-t", "0", "-r", "10"}, {"1", "0", "1"}).code, 0);
    EXPECT_EQ(mbpoll(hmi().port(), {"-t", "4:int", "-B", "-r", "7"}, {"--", "-5"}).code, 0);
    EXPECT_EQ(announced, "1:9=1 1:10=0 1:11=1 3:3=-5 ");
    EXPECT_EQ(std::to_string(hmi().ReadBinary(9)) + std::to_string(hmi().ReadBinary(10)) +
                  std::to_string(hmi().ReadBinary(11)) + " " + std::to_string(hmi().ReadRegister(3)),
              "101 -5");
    EXPECT_EQ(each({"0", "261"},
                   [&](const char* r) {
                       return poll({"-t", "0", "-r", r});
                   }),
              "exit 1: Illegal data address|exit 1: Illegal data address");
    EXPECT_EQ(poll({"-t", "4", "-r", "521"}), "exit 1: Illegal data address");

    hmi().SaveIO();
    EXPECT_EQ(valueOf(db(), "SELECT count(*) || ' ' || sum(binaryData) || ' ' || sum(numberData) FROM Hmi"),
              "261 4 -53461");
    restart();
    EXPECT_EQ(std::to_string(hmi().ReadBinary(11)) + " " + std::to_string(hmi().ReadRegister(3)), "1 -5");
    EXPECT_EQ(poll({"-t", "0", "-r", "9", "-c", "4"}), "9=0 10=1 11=0 12=1");
    EXPECT_TRUE(loggedAll(messages(), {"Loading HMI IO", "Initializing HMI data blocks", "HMI initialization done."}));
}

// Several masters at once, one hanging up mid-request, malformed frames:
// each is answered or hung up on alone, and the slave serves on.
TEST_F(HmiTest, MisbehavingMastersLeaveTheSlaveServing) {
    load(0);
    hmi().WriteBinary(2, 1);
    const std::vector<uint8_t> readCoil3 = frame({0x01, 0x00, 0x03, 0x00, 0x01});
    const std::vector<uint8_t> coil3Is1 = {0x01, 0x02, 0, 0, 0, 4, 1, 0x01, 0x01, 0x01};
    RawMaster a(hmi().port()), b(hmi().port()), c(hmi().port());
    a.send({readCoil3.begin(), readCoil3.begin() + 5});
    c.send({readCoil3.begin(), readCoil3.begin() + 9});
    b.send(frame({0x05, 0x00, 0x05, 0xFF, 0x00}));  // write coil 5 (binary 4)
    EXPECT_EQ(b.receive(), frame({0x05, 0x00, 0x05, 0xFF, 0x00}));
    a.send({readCoil3.begin() + 5, readCoil3.end()});
    EXPECT_EQ(a.receive(), coil3Is1);
    {
        RawMaster gone(hmi().port());
        gone.send({readCoil3.begin(), readCoil3.begin() + 8});
    }
    EXPECT_EQ(hmi().ReadBinary(4), 1);

    const auto answer = [&](const std::vector<uint8_t>& request) {
        RawMaster m(hmi().port());
        m.send(request);
        const auto r = m.receive();
        std::string text;
        for (std::size_t i = 7; i < r.size(); ++i) text += std::to_string(r[i]) + ".";
        return r == RawMaster::closed() ? "closed" : text;
    };
    EXPECT_EQ(each<std::vector<uint8_t>>({frame({0x01, 0x00, 0x00, 0x00, 0x01}),              // address 0
                                          frame({0x10, 0x00, 0x01, 0x00, 0x02, 0x02, 0, 0}),  // 2 words, 2 bytes
                                          frame({0x03, 0x00, 0x01}),                          // cut short
                                          frame({0x2B, 0x0E, 0x01, 0x00}),                    // not served
                                          frame({0x07}),                                      // not served
                                          frame({0x08, 0, 0, 0x12, 0x34}),                    // not served
                                          frame({0x17, 0, 1, 0, 1, 0, 1, 0, 1, 2, 0, 5}),     // word 1 := 5
                                          frame({0x16, 0, 1, 0xFF, 0xFF, 0, 0}),              // word 1 kept
                                          frame({0x03, 0x00, 0x01, 0x00, 0x02})},
                                         answer),
              "129.2.|144.3.|131.3.|171.1.|135.1.|136.1.|23.2.0.5.|22.0.1.255.255.0.0.|3.4.0.5.0.0.");
    EXPECT_EQ(answer({0x00, 0x01, 0x00, 0x07, 0x00, 0x06, 1, 0x01, 0, 1, 0, 1}), "closed");  // not Modbus TCP
    EXPECT_EQ(poll({"-t", "0", "-r", "3", "-c", "3"}), "3=1 4=0 5=1");
    EXPECT_EQ(c.receive(0.2), std::vector<uint8_t>{});  // still waiting for the rest of its request
    EXPECT_EQ(hmi().masterCount(), 3u);
}

// Index 0 is address 1; index 260 is kept but not served; anything else
// is outside the data.
TEST_F(HmiTest, ReadAndWriteRefusals) {
    load(0);
    EXPECT_TRUE(eachRaisesNumbered(ErrorCodes::HMI_ERROR,
                                   {[&] { hmi().WriteBinary(260, 1); }, [&] { hmi().ReadRegister(260); }}));
    EXPECT_TRUE(raisesNumbered(
        ErrorCodes::HMI_ERROR, [&] { hmi().WriteRegister(260, 7); },
        "Couldn't write the register data at address 260"));
    EXPECT_TRUE(raisesNumbered(
        ErrorCodes::HMI_ERROR, [&] { hmi().ReadBinary(260); }, "Couldn't read the binary data at address 260"));
    EXPECT_EQ(hmi().registerData()[260], 7);
    EXPECT_TRUE(eachRaisesNumbered(9, {[&] { hmi().WriteBinary(261, 0); }, [&] { hmi().ReadRegister(-1); }}));
    EXPECT_TRUE(raisesNumbered(ErrorCodes::INVALID_ARGUMENTS, [&] { hmi().WriteBinary(3, 2); }));
    execute("INSERT INTO Hmi (ioNumber, numberData, binaryData) VALUES (300, 1, 1)");
    EXPECT_TRUE(raisesNumbered(
        9, [&] { hmi().loadIO(); },
        "The Hmi table holds ioNumber 300, outside 0..260. "
        "[Subscript out of range]"));
}

// WaitForStop stops the axis as soon as a master sets the watched binary,
// while another master writes registers, or returns when the axis stops by
// itself. The axis creeps (1/1000 turn a second) towards the far end of its
// stroke, so that it is still moving when the masters, separate processes,
// get their turn, however fast virtual time runs meanwhile.
TEST_F(HmiTest, WaitForStopWatchesABinaryTheMasterWrites) {
    connect(1);
    const int32_t farEnd = motor(1).position() < 40000 ? 79000 : 1000;
    motor(1).goToPosition(farEnd, 64, 100);
    Process registers(mbpollArgs(hmi().port(), {"-t", "4:int", "-B", "-r", "21"}, {"7", "8", "9"}));
    Process binary(mbpollArgs(hmi().port(), {"-t", "0", "-r", "6"}, {"1"}));
    hmi().WaitForStop(1, 5, 1);
    EXPECT_EQ(binary.finish().code, 0);
    EXPECT_EQ(registers.finish().code, 0);
    motor(1).WaitForStop();
    EXPECT_GT(std::abs(motor(1).position() - farEnd), 1000);
    EXPECT_EQ(hmi().ReadBinary(5), 1);
    EXPECT_EQ(hmi().ReadRegister(10) + hmi().ReadRegister(11) + hmi().ReadRegister(12), 24);

    motor(1).goToRelativePosition(farEnd > motor(1).position() ? 500 : -500);
    hmi().WaitForStop(1, 6, 1);
    EXPECT_FALSE(motor(1).isMoving());
    EXPECT_EQ(countLogged(messages(), "WaitForStop command done."), 2);
    EXPECT_TRUE(raisesNumbered(ErrorCodes::INVALID_ARGUMENTS, [&] { hmi().WaitForStop(2, 5, 1); }));
}

// The database step makes the panel and the I/O that Server hands out:
// simulated with software motors, on the device otherwise; a bad port is
// logged; a second load frees the first panel's port.
TEST_F(HmiTest, DatabaseStepMakesThePeripherals) {
    Server server;
    EXPECT_EQ(server.IOData(), nullptr);
    EXPECT_EQ(server.Hmi(), nullptr);
    load(2);
    EXPECT_NE(std::dynamic_pointer_cast<IODataSimulation>(server.IOData()), nullptr);
    EXPECT_EQ(server.Hmi(), runtime().hmi);
    const int firstPort = hmi().port();
    RawMaster master(firstPort);
    setMotorCount(0);
    execute("UPDATE Config SET keyValue = ? WHERE keyName = 'hmiPort'", {std::to_string(firstPort)});
    slides().databaseRelatedInit("vek.db");
    EXPECT_NE(std::dynamic_pointer_cast<IOData>(server.IOData()), nullptr);
    EXPECT_EQ(hmi().port(), firstPort);
    // A port that is no port, or one another program listens on.
    const Listener other;
    const std::string busy = std::to_string(other.port);
    for (const std::string& port : {std::string("70000"), busy}) {
        execute("UPDATE Config SET keyValue = ? WHERE keyName = 'hmiPort'", {port});
        slides().databaseRelatedInit("vek.db");
        EXPECT_EQ(hmi().port(), 0);
    }
    EXPECT_TRUE(
        loggedAllAt(messages(), LogLevel::Error,
                    {"HMI TCP Connection failed", "The configuration value hmiPort \"70000\" is not a port number.",
                     "The Modbus TCP slave cannot listen on port " + busy + ": Address already in use."}));
    EXPECT_TRUE(logged("HMI initialization done."));
    shutDown();
    EXPECT_EQ(server.IOData(), nullptr);
}

}  // namespace
}  // namespace vek::test
