#include "EmulatedMotor.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vek::emulator {

namespace {

constexpr double STEP_SECONDS = 0.0005;

// The integer after `prefix` when `text` is exactly prefix + a decimal number.
std::optional<int64_t> numberAfter(const std::string& text, const std::string& prefix) {
    if (text.rfind(prefix, 0) != 0 || text.size() == prefix.size()) return std::nullopt;
    const char* begin = text.c_str() + prefix.size();
    char* end = nullptr;
    const long long value = std::strtoll(begin, &end, 10);
    if (*end != '\0' || end == begin) return std::nullopt;
    return value;
}

std::string text(double value) {
    return std::to_string(static_cast<int64_t>(std::llround(value)));
}

}  // namespace

EmulatedMotor::EmulatedMotor(const MotorSetup& setup)
    : setup_(setup), phys_(setup.position), targetPhys_(setup.position), temperature_(setup.temperature) {}

int32_t EmulatedMotor::position() const {
    return static_cast<int32_t>(std::llround(reported(phys_)));
}

void EmulatedMotor::place(double counts) {
    phys_ = counts - origin_;
    targetPhys_ = phys_;
    speed_ = 0;
    moving_ = false;
}

void EmulatedMotor::setInput(int n, int16_t state) {
    if (n >= 1 && n <= 12) inputs_[static_cast<std::size_t>(n)] = state;
}

double EmulatedMotor::velocityCounts() const {
    return std::abs(static_cast<double>(v_)) / 65536.0 * SAMPLES_PER_SECOND;
}

double EmulatedMotor::accelerationCounts() const {
    return std::abs(static_cast<double>(a_)) / 65536.0 * SAMPLES_PER_SECOND * SAMPLES_PER_SECOND;
}

bool EmulatedMotor::bit(int n) const {
    return (statusWord() >> n) & 1;
}

int32_t EmulatedMotor::statusWord() const {
    int32_t w = 0;
    const auto set = [&w](int n, bool on) {
        if (on) w |= 1 << n;
    };
    set(0, moving_);
    set(1, br_);
    set(2, bl_);
    set(3, bi_);
    set(5, positionError_);
    set(6, temperature_ > 85);
    set(7, bo_);
    set(9, phys_ >= setup_.rightLimit);
    set(10, phys_ <= setup_.leftLimit);
    set(11, bd_);
    set(12, bu_ || underrun);
    set(13, bs_);
    return w;
}

// ---------------------------------------------------------------- kinematics

void EmulatedMotor::advance(double now) {
    if (time_ < 0) time_ = now;
    while (time_ < now) {
        const double dt = std::min(STEP_SECONDS, now - time_);
        time_ += dt;
        if (!moving_) {
            time_ = now;
            break;
        }
        const double a = std::max(accelerationCounts(), 1.0);
        const double before = phys_;
        if (stopping_) {
            const double dv = a * dt;
            speed_ = std::abs(speed_) <= dv ? 0 : speed_ - std::copysign(dv, speed_);
            phys_ += speed_ * dt;
            if (speed_ == 0) moving_ = false;
        } else {
            double wanted;
            if (velocityMode_) {
                wanted = velocityCounts();
            } else {
                const double d = targetPhys_ - phys_;
                // The speed from which the ramp down just reaches the target.
                wanted = std::copysign(std::min(velocityCounts(), std::sqrt(2 * a * std::abs(d))), d);
            }
            const double dv = a * dt;
            speed_ = std::abs(wanted - speed_) <= dv ? wanted : speed_ + std::copysign(dv, wanted - speed_);
            phys_ += speed_ * dt;
            if (!velocityMode_) {
                const double left = targetPhys_ - phys_;
                if (left == 0 || (left > 0) != (targetPhys_ - before > 0) ||
                    (std::abs(left) < 0.5 && std::abs(speed_) <= 2 * dv)) {
                    phys_ = targetPhys_;
                    speed_ = 0;
                    moving_ = false;
                }
            }
        }
        // An index mark passed on the way is captured.
        const double counts = setup_.encoderCounts > 0 ? setup_.encoderCounts : 4000;
        const double k0 = std::floor((before - setup_.indexPhase) / counts);
        const double k1 = std::floor((phys_ - setup_.indexPhase) / counts);
        if (k0 != k1) {
            indexCaptured_ = setup_.indexPhase + std::max(k0, k1) * counts;
            bi_ = true;
        }
        stopIfIntoLimit();
    }
}

void EmulatedMotor::stopIfIntoLimit() {
    if (phys_ >= setup_.rightLimit && (speed_ > 0 || (moving_ && !stopping_ && targetPhys_ > phys_))) {
        phys_ = std::max(setup_.rightLimit, std::min(phys_, setup_.rightLimit));
        speed_ = 0;
        moving_ = false;
        br_ = true;
    }
    if (phys_ <= setup_.leftLimit && (speed_ < 0 || (moving_ && !stopping_ && targetPhys_ < phys_))) {
        phys_ = setup_.leftLimit;
        speed_ = 0;
        moving_ = false;
        bl_ = true;
    }
}

void EmulatedMotor::start() {
    bo_ = false;
    stopping_ = false;
    targetPhys_ = static_cast<double>(p_) - origin_;
    moving_ = velocityMode_ || targetPhys_ != phys_;
    if (moving_) stopIfIntoLimit();
}

// ---------------------------------------------------------------- commands

std::optional<std::string> EmulatedMotor::execute(const std::string& command, double now) {
    advance(now);
    last_ = command;
    if (commandHook)
        if (auto answer = commandHook(command)) return answer;
    if (auto answer = query(command)) return answer;
    if (command.empty() || assign(command)) return std::nullopt;
    if (command == "G") {
        start();
    } else if (command == "X") {
        if (moving_) stopping_ = true;
    } else if (command == "S") {
        speed_ = 0;
        moving_ = false;
    } else if (command == "OFF") {
        speed_ = 0;
        moving_ = false;
        bo_ = true;
    } else if (command == "MP") {
        velocityMode_ = false;
    } else if (command == "MV") {
        velocityMode_ = true;
    } else if (command.size() == 2 && command[0] == 'Z') {
        switch (command[1]) {
            case 'S': br_ = bl_ = bd_ = bu_ = bs_ = underrun = false; break;
            case 'r': br_ = false; break;
            case 'l': bl_ = false; break;
            case 'd': bd_ = false; break;
            case 'u': bu_ = underrun = false; break;
            case 's': bs_ = false; break;
            case 'w':
            case 'a':
            case 'b':
            case 'c':
            case 'f': break;
            default: bs_ = true;
        }
    } else if (command == "SILENT" || command == "TALK") {
        silent = command == "SILENT";
    } else if (command == "F" || command == "BRKSRV" || command == "BRKSTP" || command == "BRKRLS" ||
               command == "BRKENG" || command == "RUN" || command == "END" || command == "BCD_ON" ||
               command == "BCD_OFF" || command == "CALIBRATE" || command == "MECHZERO" || command == "XYZZY") {
        // Accepted; nothing of them shows in what the emulator answers.
    } else {
        bs_ = true;
    }
    return std::nullopt;
}

bool EmulatedMotor::assign(const std::string& c) {
    static const std::pair<const char*, int> gains[] = {{"KP=", 1}, {"KI=", 2}, {"KD=", 3}, {"KL=", 4},
                                                        {"KS=", 5}, {"KV=", 6}, {"KA=", 7}, {"KG=", 8}};
    if (auto n = numberAfter(c, "P=")) return p_ = static_cast<int32_t>(*n), true;
    if (auto n = numberAfter(c, "V=")) return v_ = static_cast<int32_t>(*n), true;
    if (auto n = numberAfter(c, "A=")) return a_ = static_cast<int32_t>(*n), true;
    if (auto n = numberAfter(c, "O=")) {
        origin_ = static_cast<double>(*n) - phys_;
        return true;
    }
    if (auto n = numberAfter(c, "z=")) return z_ = static_cast<int32_t>(*n), true;
    if (auto n = numberAfter(c, "AMPS=")) return amps_ = static_cast<int32_t>(*n), true;
    if (auto n = numberAfter(c, "E=")) return e_ = static_cast<int32_t>(*n), true;
    if (auto n = numberAfter(c, "TRAVEL=")) return travel_ = static_cast<int32_t>(*n), true;
    if (auto n = numberAfter(c, "F=")) return true;
    if (auto n = numberAfter(c, "IG_LIMS=")) return true;
    for (const auto& [prefix, which] : gains)
        if (auto n = numberAfter(c, prefix))
            return gains_[static_cast<std::size_t>(which)] = static_cast<int32_t>(*n), true;
    if (c.rfind("T2=", 0) == 0 && c.size() > 3) {
        char* end = nullptr;
        const double d = std::strtod(c.c_str() + 3, &end);
        if (*end != '\0') return false;
        standby_ = d;
        return true;
    }
    if (c == "y=TEMP") return y_ = static_cast<int32_t>(std::lround(temperature_)), true;
    if (c == "y=V") return y_ = v_, true;
    if (c == "y=P") return y_ = p_, true;
    // Outputs: "O" n "=" state.
    if (c.size() >= 4 && c[0] == 'O' && std::isdigit(static_cast<unsigned char>(c[1]))) {
        const auto eq = c.find('=');
        if (eq == std::string::npos) return false;
        const auto n = numberAfter(c.substr(0, eq), "O");
        const auto s = numberAfter(c.substr(eq), "=");
        if (!n || !s || *n < 1 || *n > 10) return false;
        outputs_[static_cast<std::size_t>(*n)] = static_cast<int16_t>(*s);
        return true;
    }
    return false;
}

std::optional<std::string> EmulatedMotor::query(const std::string& c) {
    if (c.size() < 2 || c[0] != 'R') return std::nullopt;
    if (c == "RP") return text(reported(phys_));
    if (c == "RW") return std::to_string(statusWord());
    if (c == "RA") return std::to_string(a_);
    if (c == "RV") return std::to_string(v_);
    if (c == "Ry") return std::to_string(y_);
    if (c == "Rz") return std::to_string(z_);
    if (c == "RAMPS") return std::to_string(amps_);
    if (c == "RE") return std::to_string(e_);
    if (c == "RT2") return text(standby_);
    if (c == "RSP") return "24576/477K";
    if (c == "RTEMP") return text(temperature_);
    if (c == "RADDR") return std::to_string(address);
    if (c == "RCALIBRATE") return "0";
    if (c == "RPr") return text(reported(setup_.rightLimit));
    if (c == "RPl") return text(reported(setup_.leftLimit));
    if (c == "RI") {
        bi_ = false;
        return text(reported(indexCaptured_));
    }
    if (c.size() == 3 && c[1] == 'B') {
        static const std::string letters = "trliwehoxpmdusak";
        if (c[2] == 'f') return "0";
        const auto n = letters.find(c[2]);
        if (n == std::string::npos) return std::nullopt;
        return bit(static_cast<int>(n)) ? "1" : "0";
    }
    if (auto n = numberAfter(c, "RI")) {
        if (*n < 1 || *n > 12) return std::nullopt;
        return std::to_string(inputs_[static_cast<std::size_t>(*n)]);
    }
    if (auto n = numberAfter(c, "RO")) {
        if (*n < 1 || *n > 10) return std::nullopt;
        return std::to_string(outputs_[static_cast<std::size_t>(*n)]);
    }
    static const char* const gains[] = {"", "RKP", "RKI", "RKD", "RKL", "RKS", "RKV", "RKA", "RKG"};
    for (std::size_t i = 1; i <= 8; ++i)
        if (c == gains[i]) return std::to_string(gains_[i]);
    // The Dravo motion table is empty.
    for (const char* table : {"Ral[", "RVEL[", "RACC[", "RMODE["})
        if (c.rfind(table, 0) == 0 && c.back() == ']') return "0";
    return std::nullopt;
}

}  // namespace vek::emulator
