#pragma once
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <queue>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "EmulatedMotor.h"

namespace vek::emulator {

struct EmulatorOptions {
    int motors = 3;
    // Each byte takes 10 bits / baud rate on every hop of the chain (host to
    // motor 1, motor to motor, last motor to host); without it bytes pass at
    // once.
    bool lineTime = false;
    // Motion runs this many times faster than real time (tests of homing);
    // a host-mode stream always plays at its own time step.
    double timeScale = 1.0;
    // The rate the motors run at when the emulator starts.
    int32_t baudRate = 9600;
    // The motors start addressed 1..N with echo on, as an earlier host left
    // them; `asleep` additionally puts them to sleep.
    bool addressed = false;
    bool asleep = false;
    // Per-motor setups; motors beyond the list take the default one.
    std::vector<MotorSetup> setups;
};

// A chain of emulated motors behind a pseudo-terminal, speaking the wire
// contract of vek's motor engine (src/vek/comm/engine/PROTOCOL.md): every
// byte from the host reaches motor 1, each motor passes every byte on while
// its echo is on, acts on a command at its CR and answers after it, and the
// last motor's output reaches the host. A byte sent at one rate and received
// at another is lost (a framing error); the host's rate and framing are read
// from the pseudo-terminal's settings as the host's port set them.
//
// The emulator runs its own loop (serve) on one thread, or on a thread of
// its own (start); the test hooks below may be called from another thread.
class ChainEmulator {
public:
    explicit ChainEmulator(EmulatorOptions options = {});
    ~ChainEmulator();
    ChainEmulator(const ChainEmulator&) = delete;
    ChainEmulator& operator=(const ChainEmulator&) = delete;

    // The device the host opens (/dev/pts/N).
    const std::string& portPath() const { return slavePath_; }

    // Runs the loop on a thread of its own until stop() or destruction.
    void start();
    void stop();
    // Runs the loop on the calling thread until `stopFlag` is set.
    void serve(const std::atomic<bool>& stopFlag);

    // --- what a test looks at ---
    // Every byte the host sent, as received (before any fault).
    std::string received();
    void clearReceived();
    int32_t motorBaud(int motor);
    // The positions motor `motor` took in host mode, one per time step
    // played, since its last "HM".
    std::vector<int32_t> playedPositions(int motor);
    // Time steps of the last stream that found motor `motor`'s buffer empty.
    int underruns(int motor);
    // The host's rate as its port is set now; 0 when unreadable.
    int32_t hostBaud();
    // Bytes that arrived while the host's port was not set to 8N1 raw.
    int64_t badFramingBytes();
    int motorCount() const;
    // Runs `f` on motor `motor` (1-based) while the chain stands still.
    void withMotor(int motor, const std::function<void(EmulatedMotor&)>& f);

    // --- faults, each for the next time it can apply ---
    void dropNextAnswer();
    // Flips one bit of the byte the host receives after `skip` others.
    void garbleByte(int skip = 0);
    // The next answer comes `ms` late.
    void answerLate(int ms);
    // After `bytes` more bytes from the host the line is cut until the next
    // address byte.
    void cutAfter(int bytes);
    // Motor `motor` does not pass on the next command.
    void stopEcho(int motor);
    // After `bytes` more bytes to the host the emulator hangs up: the
    // pseudo-terminal goes away as a USB adapter pulled out does, and the
    // host's port fails from then on.
    void hangUpAfter(int bytes);
    // The last host-mode axis stops acknowledging points (no free-place
    // bytes) until the next "HM".
    void stopCredits();

private:
    struct Event {
        double time;
        uint64_t seq;
        int link;  // 0: host to motor 1; k: motor k to the next (or the host)
        unsigned char byte;
        int32_t rate;
        bool operator>(const Event& o) const { return time != o.time ? time > o.time : seq > o.seq; }
    };
    // A motor in host mode: its buffered points and how it plays them.
    struct Host {
        bool on = false;
        int axes = 0;
        bool last = false;
        std::deque<int32_t> buffer;
        int32_t queued = 0;
        bool started = false;
        bool ending = false;
        double nextTick = 0;
        int32_t times[2] = {0, 0};
        int timesSeen = 0;
        int underruns = 0;
        bool owesCredit = false;
        std::vector<int32_t> played;
    };
    struct Parser {
        int target = -1;
        std::string buffer;
        bool muted = false;
    };

    double now() const;
    double emulatedNow() const;
    void send(int link, unsigned char byte, double ready, int32_t rate);
    // Motor `index` (0-based) sends `text` towards the host at its rate.
    void sendFrom(std::size_t index, std::string_view text, double ready);
    void deliver(const Event& e);
    void atMotor(std::size_t index, const Event& e);
    void execute(std::size_t index, const std::string& command, double when, bool global);
    void toHost(unsigned char byte, int32_t rate);
    // Host mode: a command for it (true when it was one), a time step.
    bool hostCommand(std::size_t index, const std::string& command, double when);
    void hostStart(std::size_t index, double when);
    void hostPosition(std::size_t index, double when);
    void hostTick(std::size_t index);
    void hostFinish(std::size_t index, double when);
    void hostCredit(std::size_t index, double when);
    double hostStepSeconds(const Host& h) const;
    double nextHostTick() const;
    void readHost();
    // Runs the motors' programs that are due at `when`; when one is due next.
    void runPrograms(double when);
    double nextProgramDue() const;
    void flushOut();
    bool hostFramingOk();

    EmulatorOptions options_;
    std::vector<EmulatedMotor> motors_;
    std::vector<Parser> parsers_;
    std::vector<Host> hosts_;
    std::vector<double> busy_;
    std::priority_queue<Event, std::vector<Event>, std::greater<Event>> events_;
    uint64_t seq_ = 0;
    int master_ = -1;
    int slaveHold_ = -1;
    int wake_[2] = {-1, -1};
    std::string slavePath_;
    std::string out_;
    std::string received_;
    int64_t badFraming_ = 0;
    double start_;

    int dropAnswers_ = 0;
    int garbleSkip_ = -1;
    int lateMs_ = 0;
    int cutAfter_ = -1;
    bool cut_ = false;
    int stopEchoMotor_ = 0;
    int hangUpAfter_ = -1;
    bool noCredits_ = false;

    std::mutex mutex_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace vek::emulator
