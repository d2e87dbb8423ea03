#pragma once
#include <cstdint>
#include <memory>

#include "vek/motors/MotorContext.h"

namespace vek {

class IMotor;

// A snapshot of one motor's status word, handed to user programs by the
// command layer. The bit properties show the word read at the last refresh;
// Calibration, MaxCurrent and MaxPositionError ask the motor live. The
// command layer keeps one object and refreshes it for whichever motor is
// asked about, so an earlier reference shows the latest motor.
class MotorStatus {
public:
    MotorStatus();
    ~MotorStatus();

    bool Bt() const { return bit(0); }
    bool Be() const { return bit(5); }
    bool Bh() const { return bit(6); }
    bool Bo() const { return bit(7); }
    bool Bp() const { return bit(9); }
    bool Bm() const { return bit(10); }
    bool Bd() const { return bit(11); }
    bool Bu() const { return bit(12); }
    bool Bs() const { return bit(13); }
    bool Ba() const { return bit(14); }
    bool Bk() const { return bit(15); }
    // Whether the motor is homed, asked now.
    bool Calibration() const;
    void setMaxCurrent(int16_t value);
    int16_t MaxCurrent() const;
    void setMaxPositionError(int16_t value);
    int16_t MaxPositionError() const;

    // Library-internal: reads the status word of axis `motorIndex`
    // (1-based) of `axes`.
    void refresh(const MotorCollection& axes, int16_t motorIndex);
    bool Br() const { return bit(1); }
    bool Bl() const { return bit(2); }
    bool Bi() const { return bit(3); }
    bool Bw() const { return bit(4); }
    bool Bx() const { return bit(8); }

    int32_t status() const { return status_; }
    std::shared_ptr<IMotor> motor() const { return motor_; }

private:
    bool bit(int16_t n) const;
    IMotor& requireMotor() const;

    std::shared_ptr<IMotor> motor_;
    int32_t status_ = 0;
};

}  // namespace vek
