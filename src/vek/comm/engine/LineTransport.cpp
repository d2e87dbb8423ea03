#include "vek/comm/engine/LineTransport.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "vek/comm/engine/EngineError.h"

namespace vek {

namespace {

using Clock = std::chrono::steady_clock;

// Waits until `fd` is ready for `events` or `micros` have passed.
bool waitFor(int fd, short events, int64_t micros) {
    pollfd p{fd, events, 0};
    const timespec timeout{static_cast<time_t>(micros / 1000000), static_cast<long>((micros % 1000000) * 1000)};
    for (;;) {
        const int n = ::ppoll(&p, 1, &timeout, nullptr);
        if (n >= 0) return n > 0;
        if (errno != EINTR) return false;
    }
}

bool hungUp(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR)) != 0;
}

speed_t speedConstant(int32_t rate) {
    switch (rate) {
        case 50: return B50;
        case 75: return B75;
        case 110: return B110;
        case 134: return B134;
        case 150: return B150;
        case 200: return B200;
        case 300: return B300;
        case 600: return B600;
        case 1200: return B1200;
        case 1800: return B1800;
        case 2400: return B2400;
        case 4800: return B4800;
        case 9600: return B9600;
        case 19200: return B19200;
        case 38400: return B38400;
        case 57600: return B57600;
        case 115200: return B115200;
        case 230400: return B230400;
        case 460800: return B460800;
        case 500000: return B500000;
        case 576000: return B576000;
        case 921600: return B921600;
        case 1000000: return B1000000;
        default: return B0;
    }
}

tcflag_t sizeFlag(int16_t bits) {
    switch (bits) {
        case 5: return CS5;
        case 6: return CS6;
        case 7: return CS7;
        default: return CS8;
    }
}

}  // namespace

// ---------------------------------------------------------------- FdLine

FdLine::FdLine(std::string name, int readFd, int writeFd)
    : name_(std::move(name)), readFd_(readFd), writeFd_(writeFd) {}

FdLine::~FdLine() {
    if (readFd_ >= 0) ::close(readFd_);
    if (writeFd_ >= 0 && writeFd_ != readFd_) ::close(writeFd_);
}

std::unique_ptr<FdLine> FdLine::overPipes(int readFd, int writeFd, const std::string& name) {
    ::fcntl(readFd, F_SETFL, ::fcntl(readFd, F_GETFL) | O_NONBLOCK);
    return std::make_unique<FdLine>(name, readFd, writeFd);
}

void FdLine::fail(const std::string& what, int error) const {
    throw engineError(EngineCondition::PORT, what + " " + name_ + " (" + std::strerror(error) + ").");
}

void FdLine::write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(writeFd_, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        // A full output queue drains at the line's pace; a second without
        // room means the line is stuck.
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waitFor(writeFd_, POLLOUT, 1000000)) continue;
        fail("Cannot write to", n < 0 ? errno : EIO);
    }
}

std::size_t FdLine::read(char* into, std::size_t size, int64_t timeoutMicros) {
    const auto deadline = Clock::now() + std::chrono::microseconds(timeoutMicros);
    for (;;) {
        const ssize_t n = ::read(readFd_, into, size);
        if (n > 0) return static_cast<std::size_t>(n);
        // A pipe at end of file has lost its writer; a terminal in raw mode
        // reads 0 bytes when nothing is there (a vanished far end is EIO).
        if (n == 0 && zeroIsEndOfFile_) fail("The far end has closed", EPIPE);
        // A port that was hung up (an adapter pulled out, the far end of a
        // pseudo-terminal gone) reads 0 bytes too, and poll(2) says so.
        if (n == 0 && hungUp(readFd_)) fail("Cannot read from", EIO);
        if (n == 0) errno = EAGAIN;
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) fail("Cannot read from", errno);
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
        if (left <= 0 || !waitFor(readFd_, POLLIN, left)) return 0;
    }
}

void FdLine::discardInput() {
    char buffer[256];
    for (;;) {
        const ssize_t n = ::read(readFd_, buffer, sizeof buffer);
        if (n > 0) continue;
        if (n < 0 && errno == EINTR) continue;
        return;
    }
}

// ---------------------------------------------------------------- SerialPort

std::unique_ptr<SerialPort> SerialPort::open(const std::string& device, const LineSettings& settings) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        throw engineError(EngineCondition::PORT, "Cannot open " + device + " (" + std::strerror(error) + ").");
    }
    std::unique_ptr<SerialPort> port(new SerialPort(device, fd));
    port->zeroIsEndOfFile_ = false;
    if (!::isatty(fd)) port->fail("Not a serial port:", ENOTTY);
    // The lock keeps a second program off the port (TIOCEXCL alone does not
    // stop a program with administrator rights).
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EWOULDBLOCK)
            throw engineError(EngineCondition::PORT, "Cannot open " + device + " (another program holds the port).");
        port->fail("Cannot lock", error);
    }
    ::ioctl(fd, TIOCEXCL);
    port->apply(settings);
    ::tcflush(fd, TCIOFLUSH);
    return port;
}

SerialPort::~SerialPort() {
    ::ioctl(readFd_, TIOCNXCL);
    ::flock(readFd_, LOCK_UN);
}

void SerialPort::apply(const LineSettings& settings) {
    termios t{};
    if (::tcgetattr(readFd_, &t) != 0) fail("Cannot read the settings of", errno);
    ::cfmakeraw(&t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_cflag |= sizeFlag(settings.dataBits) | CLOCAL | CREAD;
    switch (settings.parity) {
        case 'E': t.c_cflag |= PARENB; break;
        case 'O': t.c_cflag |= PARENB | PARODD; break;
        case 'M': t.c_cflag |= PARENB | CMSPAR | PARODD; break;
        case 'S': t.c_cflag |= PARENB | CMSPAR; break;
        default: break;
    }
    if (settings.stopBits > 1.0) t.c_cflag |= CSTOPB;
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    if (settings.handshake == 1 || settings.handshake == 3) t.c_iflag |= IXON | IXOFF;
    if (settings.handshake == 2 || settings.handshake == 3) t.c_cflag |= CRTSCTS;
    // Reads never block in the driver: the engine waits with poll(2).
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    const speed_t speed = speedConstant(settings.baudRate);
    const speed_t set = speed != B0 ? speed : B38400;
    ::cfsetispeed(&t, set);
    ::cfsetospeed(&t, set);
    if (::tcsetattr(readFd_, TCSANOW, &t) != 0) fail("Cannot set up", errno);
    if (speed == B0 && !setArbitrarySpeed(readFd_, settings.baudRate)) {
        throw engineError(EngineCondition::BAUD,
                          "The port " + name_ + " cannot run at " + std::to_string(settings.baudRate) + " baud.");
    }
    settings_ = settings;
    baudRate_ = settings.baudRate;
}

void SerialPort::setBaudRate(int32_t baudRate) {
    LineSettings s = settings_;
    s.baudRate = baudRate;
    apply(s);
}

void SerialPort::drain() {
    while (::tcdrain(readFd_) != 0) {
        if (errno != EINTR) fail("Cannot drain", errno);
    }
}

void SerialPort::discardInput() {
    ::tcflush(readFd_, TCIFLUSH);
    FdLine::discardInput();
}

}  // namespace vek
