#include "vek/comm/engine/MotorEngine.h"

#include <chrono>
#include <ctime>
#include <thread>

#include "vek/comm/engine/EngineError.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/NumberedError.h"

namespace vek {

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr char ADDRESS_BASE = static_cast<char>(0x80);
constexpr char CR = '\r';
constexpr int32_t DEFAULT_SETTINGS[3] = {MotorEngine::SERIAL_SETTING_1, MotorEngine::SERIAL_SETTING_2,
                                         MotorEngine::SERIAL_SETTING_3};
// The motors' usual rates; the chain is looked for at each of them when it
// does not answer at the requested one.
constexpr int32_t CHAIN_RATES[] = {9600, 19200, 38400, 57600, 115200};

std::size_t settingIndex(int16_t which) {
    if (which < 1 || which > 3) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
    return static_cast<std::size_t>(which - 1);
}

int64_t microsSince(SteadyClock::time_point start) {
    return std::chrono::duration_cast<std::chrono::microseconds>(SteadyClock::now() - start).count();
}

// Bytes as the traffic log and the fault texts show them: hexadecimal pairs.
std::string hex(std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (!text.empty()) text += ' ';
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

// The command text of a frame: address digit, command, no CR.
std::string textOf(std::string_view frame) {
    std::string text;
    if (!frame.empty()) text += static_cast<char>('0' + (static_cast<unsigned char>(frame[0]) & 0x7F));
    if (frame.size() > 2) text.append(frame.substr(1, frame.size() - 2));
    return text;
}

}  // namespace

MotorEngine::~MotorEngine() {
    try {
        closePort();
    } catch (...) {
    }
    if (log_) std::fclose(log_);
}

int32_t MotorEngine::numericSetting(int16_t which) const {
    return numericSettings_[settingIndex(which)];
}

void MotorEngine::setNumericSetting(int16_t which, int32_t value) {
    numericSettings_[settingIndex(which)] = value;
}

int64_t MotorEngine::settingMicros(int16_t which) const {
    const std::size_t i = settingIndex(which);
    const int32_t ms = numericSettings_[i] > 0 ? numericSettings_[i] : DEFAULT_SETTINGS[i];
    return int64_t{ms} * 1000;
}

int64_t MotorEngine::lineMicros(std::size_t bytes) const {
    // Ten bits a byte: start, eight data, stop.
    return static_cast<int64_t>(bytes) * 10 * 1000000 / (baudRate_ > 0 ? baudRate_ : POWER_UP_BAUD);
}

bool MotorEngine::isChainRate(int32_t baudRate) {
    for (const int32_t r : CHAIN_RATES)
        if (r == baudRate) return true;
    return false;
}

std::string MotorEngine::frame(std::string_view text) {
    const std::string shown(text.substr(0, MAX_COMMAND));
    if (text.empty() || text[0] < '0' || text[0] > '0' + MAX_ADDRESS)
        throw engineError(EngineCondition::REFUSED,
                          "The command \"" + shown + "\" does not start with a motor number from 0 to 8.");
    if (text.size() < 2)
        throw engineError(EngineCondition::REFUSED,
                          "The command \"" + shown + "\" has no motor command after its number.");
    if (text.size() - 1 > MAX_COMMAND)
        throw engineError(EngineCondition::REFUSED, "The command \"" + shown + "...\" is longer than " +
                                                        std::to_string(MAX_COMMAND) + " characters.");
    for (std::size_t i = 1; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x20 || b > 0x7E)
            throw engineError(EngineCondition::REFUSED, "The command for motor " + std::string(1, text[0]) +
                                                            " holds byte " + hex(text.substr(i, 1)) + " at position " +
                                                            std::to_string(i + 1) + ", outside printable ASCII.");
    }
    std::string bytes;
    bytes.reserve(text.size() + 1);
    bytes += static_cast<char>(ADDRESS_BASE + (text[0] - '0'));
    bytes.append(text.substr(1));
    bytes += CR;
    return bytes;
}

// ---------------------------------------------------------------- the line

void MotorEngine::openPort(const std::string& name) {
    // Our own earlier hold on the same port would refuse the new one.
    closePort();
    LineSettings settings;
    settings.baudRate = baudRate_;
    openLine(SerialPort::open(name, settings));
}

void MotorEngine::openLine(std::unique_ptr<ILineTransport> line) {
    if (!line) raiseObjectNotSet();
    closePort();
    line_ = std::move(line);
    portName_ = line_->name();
    if (line_->baudRate() != baudRate_) line_->setBaudRate(baudRate_);
    echo_ = false;
    motorCount_ = 0;
    clearBuffer();
    note(LOG_PORT, "opened " + portName_ + " at " + std::to_string(baudRate_) + " baud");
}

void MotorEngine::closePort() {
    if (!line_) return;
    // The next host, or this one after a restart, finds the chain at the rate
    // the motors power up at.
    if (baudRate_ != POWER_UP_BAUD) {
        try {
            switchRate(POWER_UP_BAUD);
        } catch (const NumberedError& e) {
            note(LOG_FAULTS, "could not return the chain to 9600 baud: " + e.description());
            baudRate_ = POWER_UP_BAUD;
        }
    }
    note(LOG_PORT, "closed " + portName_);
    hostAxes_ = 0;
    inFlight_.clear();
    echoed_ = 0;
    line_.reset();
    received_.clear();
    readPos_ = 0;
    echo_ = false;
}

void MotorEngine::requireOpen() const {
    if (!line_)
        throw engineError(
            EngineCondition::NOT_OPEN,
            "No serial port is open" + (portName_.empty() ? std::string() : " (" + portName_ + " is closed)") + ".");
}

void MotorEngine::setBaudRate(int32_t baudRate) {
    if (!isChainRate(baudRate))
        throw engineError(EngineCondition::BAUD, "The motors do not run at " + std::to_string(baudRate) +
                                                     " baud; they run at 9600, 19200, 38400, 57600 or 115200.");
    if (!line_) {
        baudRate_ = baudRate;
        return;
    }
    if (baudRate != baudRate_) switchRate(baudRate);
    clearBuffer();
}

void MotorEngine::switchRate(int32_t baudRate) {
    note(LOG_STEPS,
         "switching the chain from " + std::to_string(baudRate_) + " to " + std::to_string(baudRate) + " baud");
    const std::string bytes = frame("0BAUD" + std::to_string(baudRate));
    // A rate switch abandons a stream: what is still on its way is dropped
    // once the line is quiet.
    hostAxes_ = 0;
    if (!inFlight_.empty()) {
        inFlight_.clear();
        echoed_ = 0;
        settle();
    }
    clearBuffer();
    put(bytes);
    std::string fault;
    try {
        if (echo_) expectEcho(bytes);
    } catch (const NumberedError& e) {
        fault = e.description();
    }
    line_->drain();
    // Each motor switches once it has passed the CR on; without an echo to
    // tell when that was, allow the frame's time across a full chain.
    if (!echo_) std::this_thread::sleep_for(std::chrono::microseconds(lineMicros(bytes.size() + MAX_ADDRESS)));
    line_->setBaudRate(baudRate);
    baudRate_ = baudRate;
    clearBuffer();
    if (!fault.empty()) throw engineError(EngineCondition::LINE_FAULT, fault);
}

void MotorEngine::clearBuffer() {
    // The echoes of points on their way and the free place the motors owe
    // after full buffers are not stale: take them first.
    if (hostAxes_ > 0) collectOwedCredit();
    received_.clear();
    readPos_ = 0;
    if (line_) line_->discardInput();
}

void MotorEngine::put(const std::string& bytes) {
    logBytes(LOG_OUT, '>', bytes);
    line_->write(bytes);
}

std::optional<char> MotorEngine::nextByte(int64_t timeoutMicros) {
    if (readPos_ >= received_.size()) {
        received_.clear();
        readPos_ = 0;
        char buffer[256];
        const std::size_t n = line_->read(buffer, sizeof buffer, timeoutMicros);
        if (n == 0) return std::nullopt;
        received_.assign(buffer, n);
    }
    return received_[readPos_++];
}

// ---------------------------------------------------------------- commands

void MotorEngine::sendCommand(std::string_view text) {
    frame_ = frame(text);
    requireOpen();
    const std::string_view body = text.substr(1);
    // A rate change through a plain command must move the host along.
    if (text[0] == '0' && body.starts_with("BAUD")) {
        const std::string rate(body.substr(4));
        if (!rate.empty() && rate.find_first_not_of("0123456789") == std::string::npos && rate.size() < 8) {
            setBaudRate(std::stoi(rate));
            return;
        }
    }
    // Between points: what the stream still owes comes first.
    if (hostAxes_ > 0) collectOwedCredit();
    put(frame_);
    if (echo_) expectEcho(frame_);
    // Every motor has echo on, or none: the engine follows the chain-wide
    // switches, which is all the addressing leaves room for.
    if (text[0] == '0' && body == "ECHO") echo_ = true;
    if (text[0] == '0' && body == "ECHO_OFF") echo_ = false;
}

void MotorEngine::expectEcho(const std::string& sent) {
    const int64_t interByte = settingMicros(1);
    std::string back;
    for (std::size_t i = 0; i < sent.size(); ++i) {
        // The first byte may also wait for its trip through every motor.
        const auto b = nextByte(i == 0 ? interByte + lineMicros(MAX_ADDRESS + 1) : interByte);
        if (!b) {
            logBytes(LOG_IN, '<', back);
            lineFault("No echo of " + textOf(sent) + " on " + portName_ + " after " + std::to_string(back.size()) +
                      " of " + std::to_string(sent.size()) + " bytes (" + (back.empty() ? "nothing" : hex(back)) +
                      " came back); a motor does not pass the line on.");
        }
        back += *b;
        if (*b != sent[i]) {
            logBytes(LOG_IN, '<', back);
            lineFault("Wrong echo of " + textOf(sent) + " on " + portName_ + ": " + hex(back) + " came back for " +
                      hex(sent.substr(0, i + 1)) + ".");
        }
    }
    logBytes(LOG_IN, '<', back);
}

std::optional<std::string> MotorEngine::readLine(int64_t firstMicros) {
    std::string line;
    auto b = nextByte(firstMicros);
    if (!b) return std::nullopt;
    const int64_t interByte = settingMicros(1);
    for (;;) {
        if (*b == CR) break;
        const auto c = static_cast<unsigned char>(*b);
        if (c < 0x20 || c > 0x7E || line.size() >= MAX_ANSWER) {
            logBytes(LOG_IN, '<', line + *b);
            lineFault("Broken answer on " + portName_ + ": " + hex(line + *b) +
                      (c < 0x20 || c > 0x7E ? " holds a byte outside printable ASCII."
                                            : " is longer than " + std::to_string(MAX_ANSWER) + " characters."));
        }
        line += *b;
        b = nextByte(interByte);
        if (!b) {
            logBytes(LOG_IN, '<', line);
            lineFault("The answer \"" + line + "\" on " + portName_ + " broke off before its CR.");
        }
    }
    logBytes(LOG_IN, '<', line + CR);
    return line;
}

std::string MotorEngine::sendAndRead(std::string_view text) {
    sendCommand(text);
    if (auto line = readLine(settingMicros(2))) return std::move(*line);
    note(LOG_FAULTS,
         "no answer to " + std::string(text) + " within " + std::to_string(settingMicros(2) / 1000) + " ms");
    // A late answer must not meet the next command's echo.
    settle();
    clearBuffer();
    return {};
}

std::string MotorEngine::readResponse() {
    requireOpen();
    if (auto line = readLine(settingMicros(2))) return std::move(*line);
    note(LOG_FAULTS, "no answer within " + std::to_string(settingMicros(2) / 1000) + " ms");
    throw engineError(EngineCondition::TIMEOUT,
                      "No answer on " + portName_ + " within " + std::to_string(settingMicros(2) / 1000) + " ms.");
}

std::string MotorEngine::settle() {
    const auto start = SteadyClock::now();
    std::string dropped;
    const int64_t limit = settingMicros(3);
    while (microsSince(start) < limit) {
        const auto b = nextByte(std::min(settingMicros(1), limit - microsSince(start)));
        if (!b) break;
        dropped += *b;
    }
    if (!dropped.empty()) logBytes(LOG_IN, '<', dropped);
    return dropped;
}

void MotorEngine::lineFault(const std::string& description) {
    // A broken line ends the stream's bookkeeping: nothing more is owed.
    hostAxes_ = 0;
    inFlight_.clear();
    echoed_ = 0;
    note(LOG_FAULTS, description);
    // What is still on its way belongs to the broken exchange.
    settle();
    clearBuffer();
    throw engineError(EngineCondition::LINE_FAULT, description);
}

// ---------------------------------------------------------------- the chain

std::shared_ptr<MotorEngineMotor> MotorEngine::motor(int32_t address) {
    if (address < 0 || address > MAX_ADDRESS) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
    auto& m = motors_[static_cast<std::size_t>(address)];
    if (!m) m = std::make_shared<MotorEngineMotor>(address);
    return m;
}

bool MotorEngine::echoReturns(const std::string& sent, int64_t waitMicros) {
    const auto first = nextByte(waitMicros);
    if (!first) return false;
    // Something came back: it must be the whole echo.
    readPos_--;
    expectEcho(sent);
    return true;
}

int16_t MotorEngine::addressChain() {
    requireOpen();
    int16_t count = addressOnce();
    if (count == 0) {
        recoverRate();
        count = addressOnce();
    }
    return count;
}

int16_t MotorEngine::addressOnce() {
    const int32_t highest =
        highestAddress_ >= 1 && highestAddress_ <= MAX_ADDRESS ? highestAddress_ : int32_t{MAX_ADDRESS};
    note(LOG_STEPS,
         "addressing at " + std::to_string(baudRate_) + " baud, at most " + std::to_string(highest) + " motors");
    echo_ = false;
    motorCount_ = 0;
    clearBuffer();
    // Wake every motor, forget every address, stop every echo, whatever
    // state the chain was left in; what comes back of that is dropped.
    for (const char* reset : {"0WAKE", "0SADDR0", "0ECHO_OFF"}) put(frame(reset));
    settle();
    clearBuffer();
    // An echo that would say "the chain ends here" takes the frame's time
    // across a full chain; allow that and the inter-byte time-out.
    const auto stepWait = [&](const std::string& bytes) {
        return std::min(settingMicros(3), lineMicros(bytes.size() + MAX_ADDRESS) + settingMicros(1));
    };
    int16_t count = 0;
    for (int32_t k = 1; k <= highest && count == 0; ++k) {
        const std::string n = std::to_string(k);
        put(frame("0SADDR" + n));
        put(frame(n + "ECHO"));
        const std::string sleep = frame(n + "SLEEP");
        put(sleep);
        if (echoReturns(sleep, stepWait(sleep))) count = static_cast<int16_t>(k);
    }
    if (count == 0) {
        // Either no motor at all, or more motors than the highest address
        // stand behind it and stop the echo: turn their echo on one by one.
        const std::string echo = frame("0ECHO");
        for (int32_t i = highest; i <= MAX_ADDRESS && count == 0; ++i) {
            put(echo);
            if (echoReturns(echo, stepWait(echo))) count = static_cast<int16_t>(highest);
        }
    }
    if (count == 0) {
        note(LOG_STEPS, "nothing came back at " + std::to_string(baudRate_) + " baud");
        clearBuffer();
        return 0;
    }
    echo_ = true;
    motorCount_ = count;
    sendCommand("0WAKE");
    note(LOG_STEPS, std::to_string(count) + " motors addressed");
    return count;
}

void MotorEngine::recoverRate() {
    // A chain left at another rate (a host that died during coordinated
    // motion, or motors fresh at 9600 when another rate is wanted) hears
    // nothing at ours: tell it our rate at each of its own. WAKE and one
    // ECHO per position first, so that the rate reaches every motor even
    // where echo was off or motors slept; each motor switches after
    // passing the CR of BAUD on.
    const int32_t wanted = baudRate_;
    std::string bytes = frame("0WAKE");
    for (int32_t i = 0; i < MAX_ADDRESS; ++i) bytes += frame("0ECHO");
    bytes += frame("0BAUD" + std::to_string(wanted));
    for (const int32_t rate : CHAIN_RATES) {
        if (rate == wanted) continue;
        note(LOG_STEPS, "looking for the chain at " + std::to_string(rate) + " baud");
        line_->setBaudRate(rate);
        baudRate_ = rate;
        clearBuffer();
        put(bytes);
        line_->drain();
        // Their echo, or nothing when no motor listens at this rate.
        std::this_thread::sleep_for(std::chrono::microseconds(lineMicros(bytes.size() + MAX_ADDRESS)));
        settle();
    }
    line_->setBaudRate(wanted);
    baudRate_ = wanted;
    clearBuffer();
}

// ---------------------------------------------------------------- host mode

std::string MotorEngine::streamDigits(int64_t value) {
    // Zigzag: small values of either sign take few digits.
    auto z = (static_cast<uint64_t>(value) << 1) ^ static_cast<uint64_t>(value >> 63);
    std::string digits;
    while (z >= 32) {
        digits += static_cast<char>(0x20 + (z & 31));
        z >>= 5;
    }
    digits += static_cast<char>(0x40 + z);
    return digits;
}

void MotorEngine::beginHostMode(int16_t axes) {
    requireOpen();
    if (axes < 1 || axes > MAX_ADDRESS)
        throw engineError(EngineCondition::REFUSED, "Host mode drives 1 to 8 axes, not " + std::to_string(axes) + ".");
    note(LOG_STEPS, "host mode for " + std::to_string(axes) + " axes");
    hostAxes_ = 0;
    sendCommand("0HM" + std::to_string(axes));
    hostAxes_ = axes;
    pointAxes_ = 0;
    pointsSent_ = 0;
    credit_ = HOST_BUFFER;
    inFlight_.clear();
    echoed_ = 0;
    timesWritten_ = 0;
}

void MotorEngine::writePosition(int16_t axis, int32_t value) {
    if (!hostAxes_) throw engineError(EngineCondition::NOT_OPEN, "Host mode is not on: no point can be written.");
    if (axis < 1 || axis > hostAxes_)
        throw engineError(EngineCondition::REFUSED, "Host mode drives axes 1 to " + std::to_string(hostAxes_) +
                                                        ", not " + std::to_string(axis) + ".");
    point_[static_cast<std::size_t>(axis - 1)] = value;
    pointAxes_ |= 1u << (axis - 1);
    if (pointAxes_ == (1u << hostAxes_) - 1) sendPoint();
}

int64_t MotorEngine::hostStepMicros() const {
    const int64_t samples = timesWritten_ >= 2 && times_[1] > times_[0] ? times_[1] - times_[0] : 128;
    return samples * 24576 / 100;
}

void MotorEngine::sendPoint() {
    requireOpen();
    pointAxes_ = 0;
    // The first point is absolute, the others are steps from the one before.
    std::string text = pointsSent_ == 0 ? "0HA" : "0HP";
    for (std::size_t i = 0; i < static_cast<std::size_t>(hostAxes_); ++i) {
        text += streamDigits(pointsSent_ == 0 ? int64_t{point_[i]} : int64_t{point_[i]} - previous_[i]);
        previous_[i] = point_[i];
    }
    const std::string bytes = frame(text);
    // The last free-places byte counts places before the points still on
    // their way: block only while none is left for this one.
    while (credit_ - static_cast<int32_t>(inFlight_.size()) <= 0) {
        if (inFlight_.empty()) {
            collectOwedCredit();
        } else {
            takeStreamByte(true);
        }
    }
    put(bytes);
    lastPointBytes_ = bytes.size();
    inFlight_.push_back(bytes);
    ++pointsSent_;
    // Whatever came back already, without waiting.
    while (!inFlight_.empty() && takeStreamByte(false)) {
    }
}

bool MotorEngine::takeStreamByte(bool wait) {
    const std::string& sent = inFlight_.front();
    int64_t waitMicros = 0;
    if (wait) {
        std::size_t queued = 0;
        for (const auto& f : inFlight_) queued += f.size() + 1;
        waitMicros = settingMicros(1) + lineMicros(queued - echoed_ + MAX_ADDRESS + 1);
    }
    const auto b = nextByte(waitMicros);
    if (!b && !wait) return false;
    const int64_t point = pointsSent_ - static_cast<int64_t>(inFlight_.size()) + 1;
    if (echoed_ < sent.size()) {
        if (!b || *b != sent[echoed_]) {
            const std::string back = sent.substr(0, echoed_) + (b ? std::string(1, *b) : std::string());
            logBytes(LOG_IN, '<', back);
            lineFault(b ? "Wrong echo of " + textOf(sent) + " on " + portName_ + ": " + hex(back) + " came back for " +
                              hex(sent.substr(0, echoed_ + 1)) + "."
                        : "No echo of " + textOf(sent) + " on " + portName_ + " after " + std::to_string(echoed_) +
                              " of " + std::to_string(sent.size()) + " bytes; a motor does not pass the line on.");
        }
        if (++echoed_ == sent.size()) logBytes(LOG_IN, '<', sent);
        return true;
    }
    takeCredit(b, "take point " + std::to_string(point));
    inFlight_.pop_front();
    echoed_ = 0;
    return true;
}

void MotorEngine::takeCredit(std::optional<char> b, const std::string& what) {
    const auto c = b ? static_cast<unsigned char>(*b) : 0;
    if (b) logBytes(LOG_IN, '<', std::string(1, *b));
    if (!b || c < 0x40 || c >= 0x40 + HOST_BUFFER) {
        lineFault("The motors did not " + what + " on " + portName_ + " (" +
                  (b ? "byte " + hex(std::string(1, *b)) + " came" : std::string("nothing came")) +
                  " where their buffer's free places were due); they stopped acknowledging the stream.");
    }
    credit_ = c - 0x40;
}

void MotorEngine::collectOwedCredit() {
    // Every point's echo and free places first; then, when the buffers
    // were full, the byte the motors send once they have played a point,
    // so that it cannot meet the next frame's echo.
    while (!inFlight_.empty()) takeStreamByte(true);
    if (credit_ == 0) takeCredit(nextByte(2 * hostStepMicros() + settingMicros(2)), "free a buffer place");
}

void MotorEngine::writeTime(int32_t /*reserved*/, int32_t value) {
    if (!hostAxes_) throw engineError(EngineCondition::NOT_OPEN, "Host mode is not on: no time can be written.");
    collectOwedCredit();
    sendCommand("0HT" + std::to_string(value));
    if (timesWritten_ < 2) times_[static_cast<std::size_t>(timesWritten_)] = value;
    ++timesWritten_;
}

void MotorEngine::runHostMode() {
    if (!hostAxes_) throw engineError(EngineCondition::NOT_OPEN, "Host mode is not on: there is nothing to run.");
    collectOwedCredit();
    sendCommand("0HR");
}

int32_t MotorEngine::endHostMode() {
    if (!hostAxes_) return 0;
    collectOwedCredit();
    const int32_t held = HOST_BUFFER - credit_;
    hostAxes_ = 0;
    sendCommand("0HE");
    // The last axis answers once every point is played: the underruns.
    const auto answer = readLine((held + 2) * hostStepMicros() + settingMicros(2));
    if (!answer || answer->empty() || answer->find_first_not_of("0123456789") != std::string::npos ||
        answer->size() > 9)
        lineFault("The motors did not report the end of host mode on " + portName_ + ".");
    note(LOG_STEPS, "host mode ended, " + *answer + " underruns");
    return std::stoi(*answer);
}

// ---------------------------------------------------------------- traffic log

void MotorEngine::setLogFile(const std::string& path) {
    if (log_) std::fclose(log_);
    log_ = nullptr;
    logFile_ = path;
}

void MotorEngine::note(int32_t flag, const std::string& text) {
    if (!(logFlags_ & flag) || logFile_.empty()) return;
    if (!log_) log_ = std::fopen(logFile_.c_str(), "a");
    if (!log_) return;
    if (logFlags_ & LOG_TIMES) {
        const auto now = std::chrono::system_clock::now();
        const std::time_t t = std::chrono::system_clock::to_time_t(now);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
        std::tm local{};
        localtime_r(&t, &local);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
        std::fprintf(log_, "%s.%03d ", stamp, static_cast<int>(ms));
    }
    std::fprintf(log_, "%s\n", text.c_str());
    std::fflush(log_);
}

void MotorEngine::logBytes(int32_t flag, char direction, std::string_view bytes) {
    if (!(logFlags_ & flag) || logFile_.empty() || bytes.empty()) return;
    std::string shown;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        shown += b >= 0x20 && b <= 0x7E ? c : '.';
    }
    note(flag, std::string(1, direction) + " " + hex(bytes) + "  |" + shown + "|");
}

}  // namespace vek
