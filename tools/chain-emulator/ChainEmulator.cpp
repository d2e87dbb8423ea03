#include "ChainEmulator.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace vek::emulator {

namespace {

int32_t rateOf(speed_t speed) {
    switch (speed) {
        case B1200: return 1200;
        case B2400: return 2400;
        case B4800: return 4800;
        case B9600: return 9600;
        case B19200: return 19200;
        case B38400: return 38400;
        case B57600: return 57600;
        case B115200: return 115200;
        case B230400: return 230400;
        default: return 0;
    }
}

std::optional<int64_t> numberAfter(const std::string& text, const char* prefix) {
    const std::size_t n = std::strlen(prefix);
    if (text.rfind(prefix, 0) != 0 || text.size() == n || text.size() > n + 9) return std::nullopt;
    if (text.find_first_not_of("0123456789", n) != std::string::npos) return std::nullopt;
    return std::stoll(text.substr(n));
}

}  // namespace

ChainEmulator::ChainEmulator(EmulatorOptions options) : options_(std::move(options)) {
    start_ = std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
        throw std::runtime_error(std::string("Cannot make a pseudo-terminal: ") + std::strerror(errno));
    char name[128];
    if (::ptsname_r(master_, name, sizeof name) != 0)
        throw std::runtime_error(std::string("Cannot name the pseudo-terminal: ") + std::strerror(errno));
    slavePath_ = name;
    // Holding the far end open keeps the master quiet while no host has it.
    slaveHold_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slaveHold_ >= 0) {
        termios t{};
        ::tcgetattr(slaveHold_, &t);
        ::cfmakeraw(&t);
        ::cfsetispeed(&t, B9600);
        ::cfsetospeed(&t, B9600);
        ::tcsetattr(slaveHold_, TCSANOW, &t);
    }
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    if (::pipe2(wake_, O_NONBLOCK | O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("Cannot make a pipe: ") + std::strerror(errno));

    const int n = std::max(0, std::min(options_.motors, 8));
    for (int i = 0; i < n; ++i) {
        motors_.emplace_back(static_cast<std::size_t>(i) < options_.setups.size()
                                 ? options_.setups[static_cast<std::size_t>(i)]
                                 : MotorSetup{});
        EmulatedMotor& m = motors_.back();
        m.baudRate = options_.baudRate;
        if (options_.addressed) {
            m.address = i + 1;
            m.echo = true;
            m.awake = !options_.asleep;
        }
    }
    parsers_.resize(motors_.size());
    hosts_.resize(motors_.size());
    busy_.assign(motors_.size() + 1, 0.0);
}

ChainEmulator::~ChainEmulator() {
    stop();
    for (int fd : {master_, slaveHold_, wake_[0], wake_[1]})
        if (fd >= 0) ::close(fd);
}

double ChainEmulator::now() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count() - start_;
}

double ChainEmulator::emulatedNow() const {
    return now() * options_.timeScale;
}

void ChainEmulator::start() {
    if (thread_.joinable()) return;
    stop_ = false;
    thread_ = std::thread([this] { serve(stop_); });
}

void ChainEmulator::stop() {
    stop_ = true;
    if (wake_[1] >= 0) (void)!::write(wake_[1], "x", 1);
    if (thread_.joinable()) thread_.join();
}

void ChainEmulator::serve(const std::atomic<bool>& stopFlag) {
    // Wake up at each byte's time, not up to 50 µs later.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopFlag) {
        const double t = now();
        while (!events_.empty() && events_.top().time <= t) {
            const Event e = events_.top();
            events_.pop();
            deliver(e);
        }
        for (std::size_t i = 0; i < hosts_.size(); ++i) {
            while (hosts_[i].on && hosts_[i].started && hosts_[i].nextTick <= t) hostTick(i);
        }
        runPrograms(t);
        flushOut();
        double wait = events_.empty() ? 0.05 : std::max(0.0, events_.top().time - now());
        wait = std::min(wait, std::max(0.0, nextHostTick() - now()));
        wait = std::min(wait, std::max(0.0, nextProgramDue() / options_.timeScale - now()));
        lock.unlock();
        pollfd fds[2] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        const timespec timeout{static_cast<time_t>(wait), static_cast<long>((wait - std::floor(wait)) * 1e9)};
        const int ready = ::ppoll(fds, 2, &timeout, nullptr);
        lock.lock();
        if (ready <= 0) continue;
        if (fds[1].revents & POLLIN) {
            char drain[16];
            while (::read(wake_[0], drain, sizeof drain) > 0) {
            }
        }
        if (fds[0].revents & POLLIN) readHost();
    }
}

// ---------------------------------------------------------------- the line

bool ChainEmulator::hostFramingOk() {
    termios t{};
    if (::tcgetattr(master_, &t) != 0) return false;
    return (t.c_cflag & CSIZE) == CS8 && !(t.c_cflag & (PARENB | CSTOPB));
}

int32_t ChainEmulator::hostBaud() {
    termios t{};
    if (::tcgetattr(master_, &t) != 0) return 0;
    return rateOf(::cfgetospeed(&t));
}

void ChainEmulator::readHost() {
    unsigned char buffer[512];
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n <= 0) return;
    const double t = now();
    const int32_t rate = hostBaud();
    const bool framing = hostFramingOk();
    for (ssize_t i = 0; i < n; ++i) {
        const unsigned char b = buffer[i];
        received_ += static_cast<char>(b);
        if (!framing) {
            ++badFraming_;
            continue;
        }
        if (cutAfter_ >= 0 && cutAfter_-- == 0) cut_ = true;
        if (cut_) {
            // The line comes back with the next command.
            if (b < 0x80) continue;
            cut_ = false;
        }
        send(0, b, t, rate);
    }
}

void ChainEmulator::send(int link, unsigned char byte, double ready, int32_t rate) {
    const double byteTime = options_.lineTime && rate > 0 ? 10.0 / rate : 0.0;
    double& busy = busy_[static_cast<std::size_t>(link)];
    const double start = std::max(ready, busy);
    busy = start + byteTime;
    events_.push(Event{busy, seq_++, link, byte, rate});
}

void ChainEmulator::sendFrom(std::size_t index, std::string_view text, double ready) {
    for (const char c : text)
        send(static_cast<int>(index) + 1, static_cast<unsigned char>(c), ready, motors_[index].baudRate);
}

void ChainEmulator::deliver(const Event& e) {
    const auto link = static_cast<std::size_t>(e.link);
    if (motors_.empty()) return;  // no motor: nothing ever comes back
    if (link < motors_.size())
        atMotor(link, e);
    else
        toHost(e.byte, e.rate);
}

void ChainEmulator::atMotor(std::size_t index, const Event& e) {
    EmulatedMotor& m = motors_[index];
    Parser& p = parsers_[index];
    // Sent at another rate than the motor listens at: a framing error.
    if (e.rate != m.baudRate) return;
    const bool address = e.byte >= 0x80;
    if (address) {
        p.muted = stopEchoMotor_ == static_cast<int>(index) + 1;
        if (p.muted) stopEchoMotor_ = 0;
    }
    // A byte is passed on as it arrives; the command acts at its CR after
    // the CR has been passed on.
    if (m.echo && !p.muted) send(e.link + 1, e.byte, e.time, m.baudRate);
    if (address) {
        p.target = e.byte - 0x80;
        p.buffer.clear();
        return;
    }
    if (p.target < 0) return;
    if (e.byte != '\r') {
        if (p.buffer.size() < 256) p.buffer += static_cast<char>(e.byte);
        return;
    }
    const int target = p.target;
    const std::string command = std::move(p.buffer);
    p.target = -1;
    p.buffer.clear();
    if (target != 0 && (m.address == 0 || target != m.address)) return;
    if (!m.awake && command != "WAKE") return;
    execute(index, command, e.time, target == 0);
}

void ChainEmulator::execute(std::size_t index, const std::string& command, double when, bool global) {
    EmulatedMotor& m = motors_[index];
    if (command == "WAKE") {
        m.awake = true;
    } else if (command == "SLEEP") {
        m.awake = false;
    } else if (command == "ECHO") {
        m.echo = true;
    } else if (command == "ECHO_OFF") {
        m.echo = false;
    } else if (auto k = numberAfter(command, "SADDR")) {
        // Sent to every motor, a new address goes to the first motor without
        // one (the others never see it: that motor does not pass it on).
        if (!global || *k == 0 || m.address == 0) m.address = static_cast<int32_t>(*k);
    } else if (auto r = numberAfter(command, "BAUD")) {
        m.baudRate = static_cast<int32_t>(*r);
    } else if (hostCommand(index, command, when)) {
        return;
    } else {
        hostPosition(index, when);
        auto answer = m.execute(command, when * options_.timeScale);
        if (!answer) return;
        if (dropAnswers_ > 0) {
            --dropAnswers_;
            return;
        }
        const double at = when + lateMs_ / 1000.0;
        lateMs_ = 0;
        sendFrom(index, *answer + '\r', at);
    }
}

void ChainEmulator::toHost(unsigned char byte, int32_t rate) {
    if (rate != hostBaud()) return;
    if (garbleSkip_ >= 0 && garbleSkip_-- == 0) byte ^= 0x01;
    out_ += static_cast<char>(byte);
}

void ChainEmulator::flushOut() {
    if (out_.empty() || master_ < 0) return;
    const bool hangUp = hangUpAfter_ >= 0 && static_cast<std::size_t>(hangUpAfter_) <= out_.size();
    if (hangUp) out_.resize(static_cast<std::size_t>(hangUpAfter_));
    if (hangUpAfter_ >= 0) hangUpAfter_ -= static_cast<int>(out_.size());
    const ssize_t n = ::write(master_, out_.data(), out_.size());
    // A host that does not read (its port closed) loses what it missed.
    (void)n;
    out_.clear();
    if (!hangUp) return;
    // Let the host read what came before the hang-up, then go away.
    ::tcdrain(master_);
    for (int* fd : {&master_, &slaveHold_}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
}

// ---------------------------------------------------------------- host mode

namespace {

constexpr std::size_t HOST_BUFFER = 32;
constexpr std::size_t HOST_START_THRESHOLD = 8;
constexpr double SAMPLE_SECONDS = 0.00024576;

// The values of a point frame in the stream's digits; nothing when a
// character is no digit or the last value is unfinished.
std::optional<std::vector<int64_t>> streamValues(const std::string& digits) {
    std::vector<int64_t> values;
    uint64_t z = 0;
    int shift = 0;
    for (const char c : digits) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b > 0x5F || shift > 60) return std::nullopt;
        z |= static_cast<uint64_t>(b & 31) << shift;
        shift += 5;
        if (b >= 0x40) {
            values.push_back(static_cast<int64_t>(z >> 1) ^ -static_cast<int64_t>(z & 1));
            z = 0;
            shift = 0;
        }
    }
    if (shift != 0) return std::nullopt;
    return values;
}

}  // namespace

bool ChainEmulator::hostCommand(std::size_t index, const std::string& command, double when) {
    EmulatedMotor& m = motors_[index];
    Host& h = hosts_[index];
    if (command.size() >= 2 && command[0] == 'H') {
        const std::string rest = command.substr(2);
        switch (command[1]) {
            case 'M': {
                const auto n = numberAfter(command, "HM");
                h = Host{};
                m.underrun = false;
                if (n && m.address >= 1 && m.address <= *n) {
                    h.on = true;
                    h.axes = static_cast<int>(*n);
                    h.last = m.address == *n;
                    noCredits_ = false;
                }
                return true;
            }
            case 'A':
            case 'P': {
                if (!h.on || h.ending) return true;
                const auto values = streamValues(rest);
                if (!values || static_cast<int>(values->size()) != h.axes) return true;
                const int64_t v = (*values)[static_cast<std::size_t>(m.address - 1)];
                h.queued = static_cast<int32_t>(command[1] == 'A' ? v : h.queued + v);
                // A full buffer loses the point: the host broke the flow control.
                if (h.buffer.size() < HOST_BUFFER) h.buffer.push_back(h.queued);
                if (!h.started && h.buffer.size() >= HOST_START_THRESHOLD) hostStart(index, when);
                // The last axis tells the host how many places are free; at
                // none it tells again once a point has been played.
                if (h.last) {
                    h.owesCredit = h.buffer.size() >= HOST_BUFFER;
                    hostCredit(index, when);
                }
                return true;
            }
            case 'T':
                if (const auto t = numberAfter(command, "HT"); t && h.on && h.timesSeen < 2)
                    h.times[h.timesSeen++] = static_cast<int32_t>(*t);
                return true;
            case 'R':
                if (h.on && !h.started) hostStart(index, when);
                return true;
            case 'E':
                if (!h.on) return true;
                h.ending = true;
                if (!h.started) hostStart(index, when);
                return true;
            default: return false;
        }
    }
    // Motion of its own ends host mode.
    if (h.on && (command == "S" || command == "X" || command == "OFF" || command == "MP" || command == "MV")) {
        h.on = false;
        h.buffer.clear();
    }
    return false;
}

double ChainEmulator::hostStepSeconds(const Host& h) const {
    const int32_t samples = h.timesSeen >= 2 && h.times[1] > h.times[0] ? h.times[1] - h.times[0] : 128;
    // The stream sets the pace: its points are played at the trajectory's
    // own time step, whatever speed single-axis motion runs at.
    return samples * SAMPLE_SECONDS;
}

double ChainEmulator::nextHostTick() const {
    double next = 1e300;
    for (const Host& h : hosts_)
        if (h.on && h.started) next = std::min(next, h.nextTick);
    return next;
}

void ChainEmulator::hostPosition(std::size_t index, double when) {
    // Between two points a streaming motor moves along the straight line.
    const Host& h = hosts_[index];
    if (!h.on || !h.started || h.played.empty() || h.buffer.empty()) return;
    const double step = hostStepSeconds(h);
    const double f = std::clamp(1.0 - (h.nextTick - when) / step, 0.0, 1.0);
    motors_[index].place(h.played.back() + f * (h.buffer.front() - h.played.back()));
}

void ChainEmulator::hostStart(std::size_t index, double when) {
    Host& h = hosts_[index];
    h.started = true;
    h.nextTick = when;
}

void ChainEmulator::hostCredit(std::size_t index, double when) {
    const Host& h = hosts_[index];
    if (noCredits_) return;
    const auto free = static_cast<unsigned char>(0x40 + (HOST_BUFFER - h.buffer.size()));
    send(static_cast<int>(index) + 1, free, when, motors_[index].baudRate);
}

void ChainEmulator::hostTick(std::size_t index) {
    Host& h = hosts_[index];
    EmulatedMotor& m = motors_[index];
    const double when = h.nextTick;
    h.nextTick += hostStepSeconds(h);
    if (h.buffer.empty()) {
        if (h.ending) {
            hostFinish(index, when);
        } else {
            ++h.underruns;
            m.underrun = true;
        }
        return;
    }
    m.place(h.buffer.front());
    h.played.push_back(h.buffer.front());
    h.buffer.pop_front();
    if (h.last && h.owesCredit) {
        h.owesCredit = false;
        hostCredit(index, when);
    }
    if (h.ending && h.buffer.empty()) hostFinish(index, when);
}

void ChainEmulator::hostFinish(std::size_t index, double when) {
    Host& h = hosts_[index];
    h.on = false;
    if (!h.last) return;
    sendFrom(index, std::to_string(h.underruns) + '\r', when);
}

// ---------------------------------------------------------------- programs

void ChainEmulator::runPrograms(double when) {
    const double motorNow = when * options_.timeScale;
    for (std::size_t i = 0; i < motors_.size(); ++i) {
        EmulatedMotor& m = motors_[i];
        if (!m.program || m.program->due() > motorNow) continue;
        const std::string printed = m.program->run(m, motorNow);
        // What a program prints leaves the motor as an answer does.
        if (!m.silent) sendFrom(i, printed, when);
    }
}

double ChainEmulator::nextProgramDue() const {
    double next = 1e300;
    for (const EmulatedMotor& m : motors_)
        if (m.program) next = std::min(next, m.program->due());
    return next;
}

int ChainEmulator::motorCount() const {
    return static_cast<int>(motors_.size());
}

// ---------------------------------------------------------------- test hooks

std::vector<int32_t> ChainEmulator::playedPositions(int motor) {
    std::lock_guard<std::mutex> lock(mutex_);
    return hosts_.at(static_cast<std::size_t>(motor - 1)).played;
}

int ChainEmulator::underruns(int motor) {
    std::lock_guard<std::mutex> lock(mutex_);
    return hosts_.at(static_cast<std::size_t>(motor - 1)).underruns;
}

void ChainEmulator::stopCredits() {
    std::lock_guard<std::mutex> lock(mutex_);
    noCredits_ = true;
}

std::string ChainEmulator::received() {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
}

void ChainEmulator::clearReceived() {
    std::lock_guard<std::mutex> lock(mutex_);
    received_.clear();
}

int32_t ChainEmulator::motorBaud(int motor) {
    std::lock_guard<std::mutex> lock(mutex_);
    return motors_.at(static_cast<std::size_t>(motor - 1)).baudRate;
}

int64_t ChainEmulator::badFramingBytes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return badFraming_;
}

void ChainEmulator::withMotor(int motor, const std::function<void(EmulatedMotor&)>& f) {
    std::lock_guard<std::mutex> lock(mutex_);
    EmulatedMotor& m = motors_.at(static_cast<std::size_t>(motor - 1));
    m.advance(emulatedNow());
    f(m);
}

void ChainEmulator::dropNextAnswer() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++dropAnswers_;
}

void ChainEmulator::garbleByte(int skip) {
    std::lock_guard<std::mutex> lock(mutex_);
    garbleSkip_ = skip;
}

void ChainEmulator::answerLate(int ms) {
    std::lock_guard<std::mutex> lock(mutex_);
    lateMs_ = ms;
}

void ChainEmulator::cutAfter(int bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    cutAfter_ = bytes;
}

void ChainEmulator::hangUpAfter(int bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    hangUpAfter_ = bytes;
}

void ChainEmulator::stopEcho(int motor) {
    std::lock_guard<std::mutex> lock(mutex_);
    stopEchoMotor_ = motor;
}

}  // namespace vek::emulator
