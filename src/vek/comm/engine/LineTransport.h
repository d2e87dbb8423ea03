#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vek {

// The byte line under the motor engine: a serial port (a /dev/tty* device or
// a pseudo-terminal alike) or, in tests, a pair of pipes. Every failure is an
// engine error (EngineError.h) that names the line and the system's reason.
class ILineTransport {
public:
    virtual ~ILineTransport() = default;

    // The name the line was opened by.
    virtual const std::string& name() const = 0;
    // Switches both directions to `baudRate` (a pipe only records it).
    virtual void setBaudRate(int32_t baudRate) = 0;
    virtual int32_t baudRate() const = 0;
    // Writes every byte.
    virtual void write(std::string_view bytes) = 0;
    // Returns once the written bytes have left the host.
    virtual void drain() = 0;
    // Reads what arrives within `timeoutMicros` (waiting only until the first
    // byte is there), at most `size` bytes; 0 when nothing came in time.
    virtual std::size_t read(char* into, std::size_t size, int64_t timeoutMicros) = 0;
    // Discards everything received and not read yet.
    virtual void discardInput() = 0;
};

// How a serial port is set up. The motor chain always runs 8N1 without
// handshake; other instruments may want more.
struct LineSettings {
    int32_t baudRate = 9600;
    // N(one), E(ven), O(dd), M(ark) or S(pace).
    char parity = 'N';
    // 5..8
    int16_t dataBits = 8;
    // 1, 1.5 or 2; 1.5 is what two stop bits mean at five data bits.
    double stopBits = 1.0;
    // 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 both.
    int16_t handshake = 0;
};

// A line over two file descriptors that it owns (one for each direction; the
// same descriptor twice for a port). Reads wait with poll(2).
class FdLine : public ILineTransport {
public:
    FdLine(std::string name, int readFd, int writeFd);
    ~FdLine() override;
    FdLine(const FdLine&) = delete;
    FdLine& operator=(const FdLine&) = delete;

    const std::string& name() const override { return name_; }
    void setBaudRate(int32_t baudRate) override { baudRate_ = baudRate; }
    int32_t baudRate() const override { return baudRate_; }
    void write(std::string_view bytes) override;
    void drain() override {}
    std::size_t read(char* into, std::size_t size, int64_t timeoutMicros) override;
    void discardInput() override;

    // A line over the two ends of two pipes: the engine writes to
    // `writeFd` and reads from `readFd`.
    static std::unique_ptr<FdLine> overPipes(int readFd, int writeFd, const std::string& name = "pipe");

protected:
    // The error of a failed system call on this line, with the system's reason.
    [[noreturn]] void fail(const std::string& what, int error) const;

    std::string name_;
    int readFd_;
    int writeFd_;
    int32_t baudRate_ = 9600;
    bool zeroIsEndOfFile_ = true;
};

// A serial port through POSIX termios: raw mode, the requested speed on both
// directions, character size, parity, stop bits and handshake as asked, held
// exclusively (TIOCEXCL and an flock(2) lock, so that a second program gets
// an error) until it is closed.
class SerialPort : public FdLine {
public:
    // Opens `device` and sets it up; an engine error (PORT) when the device
    // does not exist, cannot be set up or is held by another program.
    static std::unique_ptr<SerialPort> open(const std::string& device, const LineSettings& settings);
    ~SerialPort() override;

    void setBaudRate(int32_t baudRate) override;
    void drain() override;
    void discardInput() override;
    // Applies `settings` to the open port.
    void apply(const LineSettings& settings);
    const LineSettings& settings() const { return settings_; }

private:
    SerialPort(std::string name, int fd) : FdLine(std::move(name), fd, fd) {}

    LineSettings settings_;
};

// Sets a rate that termios has no B-constant for through the kernel's
// termios2 interface; false when the port refuses it. Lives in a file of its
// own because the kernel's termios header clashes with the C library's.
bool setArbitrarySpeed(int fd, int32_t baudRate);

}  // namespace vek
