// The plain serial port for instruments, over a real pseudo-terminal pair:
// the test holds the master side as the instrument.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>

#include "support/Each.h"
#include "support/LogLines.h"
#include "support/TempInstall.h"
#include "vek/comm/Serial.h"
#include "vek/foundation/Log.h"

namespace vek::test {
namespace {

class SerialPortTest : public VekTest {
protected:
    void SetUp() override {
        VekTest::SetUp();
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master_, 0);
        ASSERT_EQ(::grantpt(master_), 0);
        ASSERT_EQ(::unlockpt(master_), 0);
        Serial::setPortDevice(1, ::ptsname(master_));
        Serial::setPortDevice(2, "/dev/vek-no-such-port");
    }
    void TearDown() override {
        serial_.ClosePort();
        Serial::setPortDevice(1, "");
        Serial::setPortDevice(2, "");
        ::close(master_);
        VekTest::TearDown();
    }
    // What the instrument received within a short while.
    std::string instrumentReads() {
        std::string text;
        pollfd p{master_, POLLIN, 0};
        char buffer[256];
        while (::poll(&p, 1, 200) > 0) {
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0) break;
            text.append(buffer, static_cast<std::size_t>(n));
            if (text.back() == '\r') break;
        }
        return text;
    }
    std::string lastLine() const { return messages().empty() ? "" : messages().back().first; }

    Serial serial_;
    int master_ = -1;
};

// Each refused setting is logged, not raised, with both halves of its text;
// so is a port that does not exist; nothing opens.
TEST_F(SerialPortTest, RefusedSettingsAreLoggedQuietly) {
    struct Case {
        int16_t port;
        int32_t baud;
        const char* parity;
        int16_t bits;
        double stop;
        int16_t handshake;
    };
    const auto run = [&](const Case& c) {
        serial_.OpenPort(c.port, c.baud, c.parity, c.bits, c.stop, c.handshake);
        return std::string(serial_.isOpen() ? "open " : "") + lastLine();
    };
    EXPECT_EQ(each({Case{1, 4800, "N", 8, 1, 1}, Case{1, 9600, "n", 8, 1, 1}, Case{1, 9600, "N", 9, 1, 1},
                    Case{1, 9600, "N", 8, 1.2, 1}, Case{1, 9600, "N", 8, 1, 4}, Case{2, 9600, "N", 8, 1, 1},
                    Case{1, 9600, "N", 4, 1, 1}},
                   run),
              "Failed to open port 1 with baurdrate 4800 ->Invalid baudrate is specified.Valid values are 110, 300, "
              "600, 1200, 2400, 9600 (default), 14400, 19200, 28800, 38400, 56000, 128000 or 256000.|"
              "Failed to open port 1 with baurdrate 9600 ->Invalid parity value is specified.Valid values are E, M, N "
              "(default), O or S.|"
              "Failed to open port 1 with baurdrate 9600 ->Invalid data bits value is specified.Valid values are 4, "
              "5, 6, 7 or 8 (default).|"
              "Failed to open port 1 with baurdrate 9600 ->Invalid stop bit value is specified.Valid values are 1 "
              "(default), 1.5 or 2.|"
              "Failed to open port 1 with baurdrate 9600 ->Invalid handshake value is specified.Valid values are 0, "
              "1 (default), 2 or 3.|"
              "Failed to open port 2 with baurdrate 9600 ->Cannot open /dev/vek-no-such-port (No such file or "
              "directory).|"
              "Failed to open port 1 with baurdrate 9600 ->A serial port has no 4-bit characters; the fewest it "
              "sends is 5.");
    EXPECT_TRUE(loggedAt(messages(),
                         "Failed to open port 2 with baurdrate 9600 ->Cannot open /dev/vek-no-such-port (No "
                         "such file or directory).",
                         LogLevel::Error));
    EXPECT_EQ(serial_.ReadPort(), "");
    serial_.WritePort("x");
    EXPECT_TRUE(loggedAllAt(messages(), LogLevel::Error,
                            {"Serial port for reading is closed.", "Serial port for writing is closed."}));
}

// Text goes out with a CR and comes back as received, once; the settings
// reach the line, mark parity through CMSPAR included.
TEST_F(SerialPortTest, LoopbackOverAPseudoTerminal) {
    serial_.OpenPort(1);
    ASSERT_TRUE(serial_.isOpen()) << lastLine();
    EXPECT_EQ(serial_.settings() + " " + std::to_string(serial_.handshaking()), "9600,N,8,1 1");
    serial_.WritePort("W?");
    EXPECT_EQ(instrumentReads(), "W?\r");
    ASSERT_EQ(::write(master_, "12.5 kg\r\n", 9), 9);
    ::usleep(20000);
    EXPECT_EQ(serial_.ReadPort(), "12.5 kg\r\n");
    EXPECT_EQ(serial_.ReadPort(), "");

    serial_.OpenPort(1, 19200, "M", 7, 2, 0);
    termios t{};
    ASSERT_EQ(::tcgetattr(master_, &t), 0);
    EXPECT_EQ(serial_.settings(), "19200,M,7,2");
    EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B19200));
    // A pseudo-terminal keeps 8 bits without parity whatever it is told; the
    // kind of parity and the stop bits show.
    EXPECT_EQ(t.c_cflag & (PARODD | CMSPAR | CSTOPB), PARODD | CMSPAR | CSTOPB);
    serial_.OpenPort(1, 9600, "S", 8, 1.5, 2);
    ASSERT_EQ(::tcgetattr(master_, &t), 0);
    EXPECT_EQ(t.c_cflag & (PARODD | CMSPAR | CSTOPB | CRTSCTS), CMSPAR | CSTOPB | CRTSCTS);
    serial_.ClosePort();
    EXPECT_FALSE(serial_.isOpen());
}

}  // namespace
}  // namespace vek::test
