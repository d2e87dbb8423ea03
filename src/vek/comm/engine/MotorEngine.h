#pragma once
#include <array>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "vek/comm/engine/LineTransport.h"
#include "vek/foundation/NotGiven.h"
#include "vek/geometry/PathEngine.h"

namespace vek {

// The engine's object for one motor of the chain: what Communication::getMotor
// hands out and every Motor keeps. It names the motor's address.
class MotorEngineMotor {
public:
    explicit MotorEngineMotor(int32_t address) : address_(address) {}
    int32_t address() const { return address_; }

private:
    int32_t address_;
};

// The motor engine object that a channel hands out through
// ICommunication::getObject. It is the path engine itself (derived from
// PathEngine), so callers that generate or stream coordinated motion use
// `comm->getObject()` directly wherever a PathEngine is wanted: a
// std::shared_ptr<MotorEngine> converts to std::shared_ptr<PathEngine>.
//
// Its command side talks the motors' ASCII protocol on a serial line
// (PROTOCOL.md, "The command side"): every command text "nCMD" goes out as
// the address byte 0x80+n, CMD and CR; once the chain is addressed each byte
// comes back after passing every motor, and the engine reads that echo and
// checks it before it reads an answer line. It addresses the chain, switches
// its rate, times out on a silent line and writes a traffic log. It waits on
// the line itself (poll(2), real time), never on the event loop: the line's
// time-outs are wall-clock facts. The simulated channel's engine never opens
// a line and only records the settings.
class MotorEngine : public PathEngine {
public:
    // The values the serial channel writes when it opens a port.
    static constexpr int32_t SERIAL_SETTING_1 = 105;
    static constexpr int32_t SERIAL_SETTING_2 = 150;
    static constexpr int32_t SERIAL_SETTING_3 = 550;
    // The rate motors power up at and the chain is left at.
    static constexpr int32_t POWER_UP_BAUD = 9600;
    // Addresses 1..MAX_ADDRESS; 0 speaks to every motor.
    static constexpr int32_t MAX_ADDRESS = 8;
    // The longest motor command (without number) and answer the engine handles.
    static constexpr std::size_t MAX_COMMAND = 128;
    static constexpr std::size_t MAX_ANSWER = 128;
    // Traffic log flags: bytes out, bytes in, addressing and rate steps,
    // faults and time-outs, port opened and closed; with TIMES each line
    // starts with the local time to the millisecond.
    static constexpr int32_t LOG_OUT = 0x1;
    static constexpr int32_t LOG_IN = 0x2;
    static constexpr int32_t LOG_STEPS = 0x4;
    static constexpr int32_t LOG_FAULTS = 0x8;
    static constexpr int32_t LOG_PORT = 0x10;
    static constexpr int32_t LOG_TIMES = 0x10000;

    MotorEngine() = default;
    ~MotorEngine() override;
    MotorEngine(const MotorEngine&) = delete;
    MotorEngine& operator=(const MotorEngine&) = delete;

    // Numeric setting `which` (1..3); any other index raises 9. As time-outs
    // in milliseconds: 1 between two bytes of an echo or answer, 2 from the
    // end of a command's echo to the first byte of its answer, 3 the longest
    // one step of chain addressing may wait. Zero or less means the default
    // (105, 150, 550).
    int32_t numericSetting(int16_t which) const;
    void setNumericSetting(int16_t which, int32_t value);

    // Chain addressing stops at this many motors; NOT_GIVEN until written.
    int32_t highestAddress() const { return highestAddress_; }
    void setHighestAddress(int32_t value) { highestAddress_ = value; }

    // --- the line ---
    // Opens the serial port `name` at the engine's rate, 8N1, exclusively.
    void openPort(const std::string& name);
    // Opens the engine on a line made elsewhere (tests: a pipe).
    void openLine(std::unique_ptr<ILineTransport> line);
    // Puts the chain back at its power-up rate when it runs at another one
    // (best effort), then closes the port. Closing a closed engine does nothing.
    void closePort();
    bool isOpen() const { return line_ != nullptr; }
    const std::string& portName() const { return portName_; }
    int32_t baudRate() const { return baudRate_; }
    // Before a port is open: the rate it will open at. On an open line:
    // "0BAUDr" at the old rate, its echo, the host's output drained, then
    // the host switched to r; the receive buffer is cleared. A rate the
    // motors do not run at (9600, 19200, 38400, 57600, 115200) is refused.
    void setBaudRate(int32_t baudRate);
    // Discards everything received and not read yet.
    void clearBuffer();

    // --- commands ---
    // Puts "nCMD" on the line and consumes its echo. A text whose first
    // character is not an address 0..8, or with a byte outside printable
    // ASCII, is refused (error 11) before anything is sent.
    void sendCommand(std::string_view text);
    // sendCommand, then the first answer line; empty when none comes within
    // the answer time-out.
    std::string sendAndRead(std::string_view text);
    // The next answer line; the TIMEOUT condition when none comes in time.
    std::string readResponse();

    // --- the chain ---
    // Addresses the chain (PROTOCOL.md, "Chain addressing") and returns the
    // number of motors found, 0 when nothing comes back at any rate.
    int16_t addressChain();
    // Motors found by the last addressing.
    int16_t motorCount() const { return motorCount_; }
    // Whether commands come back as an echo (the chain is addressed).
    bool echoOn() const { return echo_; }
    std::shared_ptr<MotorEngineMotor> motor(int32_t address);

    // --- host mode (PROTOCOL.md, "Host-mode streaming") ---
    // Points each motor buffers, and the points after which the motors
    // start playing by themselves.
    static constexpr int32_t HOST_BUFFER = 32;
    static constexpr int32_t HOST_START_THRESHOLD = 8;
    // Motors 1..axes take the points that follow; their buffers are
    // emptied. Axes outside 1..8 are refused (error 11).
    void beginHostMode(int16_t axes);
    // Position of `axis` (1-based) in the next point. Once every axis has
    // its value the point goes on the line; when the motors' buffers are
    // full this waits until they have played one.
    void writePosition(int16_t axis, int32_t value);
    // The time (servo samples) of the point just written; the first two set
    // the time step of every point. `reserved` is 0.
    void writeTime(int32_t reserved, int32_t value);
    int32_t startThreshold() const { return HOST_START_THRESHOLD; }
    // Starts a stream shorter than the start threshold.
    void runHostMode();
    // Lets the motors play what they hold, then leaves host mode; returns
    // how many time steps found a motor's buffer empty (underruns). Does
    // nothing outside host mode.
    int32_t endHostMode();
    bool inHostMode() const { return hostAxes_ > 0; }
    // Points written since host mode began.
    int64_t pointsWritten() const { return pointsSent_; }
    // Bytes on the line for each point so far (the last one written).
    std::size_t lastPointBytes() const { return lastPointBytes_; }
    // A signed value in the stream's digits: 5 bits a character, low
    // digits first, "@".."_" ends the value, " ".."?" continues it.
    static std::string streamDigits(int64_t value);


    // --- traffic log ---
    const std::string& logFile() const { return logFile_; }
    void setLogFile(const std::string& path);
    int32_t logFlags() const { return logFlags_; }
    void setLogFlags(int32_t flags) { logFlags_ = flags; }

    // The wire bytes of command text `text` (address byte, command, CR);
    // refused texts raise error 11.
    static std::string frame(std::string_view text);
    // Whether the motors run at `baudRate`.
    static bool isChainRate(int32_t baudRate);

private:
    int64_t settingMicros(int16_t which) const;
    // Microseconds that `bytes` take on the line at the current rate.
    int64_t lineMicros(std::size_t bytes) const;
    void requireOpen() const;
    void put(const std::string& bytes);
    // The next received byte within `timeoutMicros`.
    std::optional<char> nextByte(int64_t timeoutMicros);
    void expectEcho(const std::string& sent);
    // Reads `sent` back within `waitMicros`: true when it came back whole,
    // false when nothing came; anything else is a line fault.
    bool echoReturns(const std::string& sent, int64_t waitMicros);
    // An answer line, or nothing when its first byte does not come within
    // `firstMicros`.
    std::optional<std::string> readLine(int64_t firstMicros);
    // Reads and drops whatever arrives until the line has been quiet for the
    // inter-byte time-out (at most setting 3 in all); returns the bytes.
    std::string settle();
    [[noreturn]] void lineFault(const std::string& description);
    void switchRate(int32_t baudRate);
    int16_t addressOnce();
    void recoverRate();
    void note(int32_t flag, const std::string& text);
    void logBytes(int32_t flag, char direction, std::string_view bytes);

    std::array<int32_t, 3> numericSettings_{};
    int32_t highestAddress_ = NOT_GIVEN;

    std::unique_ptr<ILineTransport> line_;
    std::string portName_;
    int32_t baudRate_ = POWER_UP_BAUD;
    // Received bytes not consumed yet, from position readPos_.
    std::string received_;
    std::size_t readPos_ = 0;
    bool echo_ = false;
    int16_t motorCount_ = 0;
    std::array<std::shared_ptr<MotorEngineMotor>, MAX_ADDRESS + 1> motors_{};
    std::string frame_;

    void sendPoint();
    // Consumes the next byte of the points on their way (their echo, then
    // their free-places byte); without `wait` only one already received.
    bool takeStreamByte(bool wait);
    void takeCredit(std::optional<char> byte, const std::string& what);
    void collectOwedCredit();
    int64_t hostStepMicros() const;

    int16_t hostAxes_ = 0;
    std::array<int32_t, MAX_ADDRESS> point_{};
    std::array<int32_t, MAX_ADDRESS> previous_{};
    uint32_t pointAxes_ = 0;
    int64_t pointsSent_ = 0;
    int32_t credit_ = HOST_BUFFER;
    // Point frames sent whose echo and free-places byte have not all come
    // back; echoed_ bytes of the first one have.
    std::deque<std::string> inFlight_;
    std::size_t echoed_ = 0;
    std::array<int32_t, 2> times_{};
    int32_t timesWritten_ = 0;
    std::size_t lastPointBytes_ = 0;

    std::string logFile_;
    int32_t logFlags_ = 0;
    std::FILE* log_ = nullptr;
};

}  // namespace vek
