#pragma once
#include "vek/foundation/Convert.h"

namespace vek {

// The time source of the event loop. `now()` is monotonic seconds; `wallNow()`
// is the local wall time that log lines and file names use.
class Clock {
public:
    virtual ~Clock() = default;
    virtual double now() const = 0;
    virtual DateTime wallNow() const = 0;
    // Whether this clock's time only moves when the loop moves it.
    virtual bool isManual() const { return false; }
};

class SystemClock : public Clock {
public:
    double now() const override;
    DateTime wallNow() const override;
};

// Virtual time for tests and benchmarks: it starts at a fixed wall time and
// moves only when the event loop (or the test) advances it.
class ManualClock : public Clock {
public:
    explicit ManualClock(DateTime wallStart = std::chrono::system_clock::now()) : wallStart_(wallStart) {}
    double now() const override { return now_; }
    DateTime wallNow() const override;
    bool isManual() const override { return true; }

    void advance(double seconds) {
        if (seconds > 0) now_ += seconds;
    }
    void advanceTo(double time) {
        if (time > now_) now_ = time;
    }
    // How far one processPendingEvents() call moves time when nothing is due.
    double pollQuantum() const { return quantum_; }
    void setPollQuantum(double seconds) { quantum_ = seconds; }

private:
    DateTime wallStart_;
    double now_ = 0.0;
    double quantum_ = 0.001;
};

}  // namespace vek
