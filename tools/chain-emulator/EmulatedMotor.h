#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vek::emulator {

// How an emulated motor starts out. Positions are in encoder counts of the
// motor's own scale before any origin is set.
struct MotorSetup {
    // 1 SmartMotor, 2 Kelpa, 4 Mirvo, 6 Dravo (only RPr/RPl depend on it).
    int16_t type = 1;
    double position = 0;
    double leftLimit = -40000;
    double rightLimit = 40000;
    // Index marks lie at indexPhase + k * encoderCounts.
    double indexPhase = 1234;
    int32_t encoderCounts = 4000;
    // Celsius, as the motor reports it.
    double temperature = 30;
};

// One motor of the emulated chain: the state a SmartMotor keeps and answers
// for, and simple kinematics. Velocities and accelerations are motor values:
// counts per servo sample (245.76 µs) and per sample squared, times 65536.
// Moves are trapezoidal (ramp at the acceleration, cruise at the velocity,
// ramp down to stop at the target); limit switches stop a move and set the
// limit bits; passing an index mark captures its position.
class EmulatedMotor {
public:
    static constexpr double SAMPLES_PER_SECOND = 1.0 / 0.00024576;

    explicit EmulatedMotor(const MotorSetup& setup = {});

    // Runs motor command `command` (without address) at emulated time `now`
    // (seconds); the answer without its CR, or nothing. A command the motor
    // does not know sets the syntax-error bit and answers nothing.
    std::optional<std::string> execute(const std::string& command, double now);
    // Moves the kinematics on to emulated time `now`.
    void advance(double now);

    // --- what a test looks at or sets ---
    int32_t position() const;
    bool moving() const { return moving_; }
    int32_t statusWord() const;
    void setInput(int n, int16_t state);
    int16_t output(int n) const { return n >= 1 && n <= 10 ? outputs_[static_cast<std::size_t>(n)] : 0; }
    void setTemperature(double celsius) { temperature_ = celsius; }
    void setPositionError(bool on) { positionError_ = on; }
    // Puts the motor at `counts` (reported scale) standing still.
    void place(double counts);
    const std::string& lastCommand() const { return last_; }

    // Commands the motor answers through a part outside the emulator, asked
    // first (the program store of program transfer, which lives in libvek:
    // whoever links both plugs it in); nothing falls through to the motor.
    std::function<std::optional<std::string>(const std::string&)> commandHook;

    // The program the motor runs, plugged in from outside like commandHook.
    // The chain's loop runs it once it is due and puts what it prints on
    // the line, unless the motor is silent.
    class Program {
    public:
        virtual ~Program() = default;
        // Emulated time at which run() has work next (infinity: none).
        virtual double due() const = 0;
        // Runs the program on at `now`; the text it printed.
        virtual std::string run(EmulatedMotor& motor, double now) = 0;
    };
    std::shared_ptr<Program> program;
    // SILENT: a program's output stays in the motor; TALK lets it out.
    bool silent = false;
    // A program stopped on a fault: the syntax-error bit (Bs) says so.
    void flagSyntaxError() { bs_ = true; }

    // --- chain state (the chain emulator drives these) ---
    int32_t address = 0;
    bool awake = true;
    bool echo = false;
    int32_t baudRate = 9600;
    // A host-mode stream ran dry (status bit 12, Bu); cleared by ZS and Zu.
    bool underrun = false;

private:
    std::optional<std::string> query(const std::string& command);
    bool assign(const std::string& command);
    void start();
    void stopIfIntoLimit();
    double reported(double phys) const { return phys + origin_; }
    double velocityCounts() const;
    double accelerationCounts() const;
    bool bit(int n) const;

    MotorSetup setup_;
    double phys_;
    double speed_ = 0;  // signed, counts per second
    double targetPhys_;
    double origin_ = 0;
    bool moving_ = false;
    bool stopping_ = false;
    bool velocityMode_ = false;
    double time_ = -1;

    int32_t p_ = 0;
    int32_t v_ = 0;
    int32_t a_ = 0;
    int32_t y_ = 0;
    int32_t z_ = 0;
    int32_t amps_ = 1000;
    int32_t e_ = 1000;
    int32_t travel_ = 0;
    double standby_ = 20;
    double temperature_;
    std::array<int32_t, 9> gains_{};
    std::array<int16_t, 13> inputs_{};
    std::array<int16_t, 11> outputs_{};
    double indexCaptured_ = 0;
    bool br_ = false, bl_ = false, bi_ = false, bo_ = false, bs_ = false, bd_ = false, bu_ = false;
    bool positionError_ = false;
    std::string last_;
};

}  // namespace vek::emulator
