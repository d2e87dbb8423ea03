#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "vek/geometry/ProfileArray.h"

namespace vek {

// The path side of the motor engine: the settings of a coordinated move and
// the speed profiles that trajectory generation samples. Units (see
// PROTOCOL.md): lengths and positions in motor counts (path lengths scaled
// to axis 1 by the pitch ratios), speeds in counts per servo sample (the VEK
// velocity unit), accelerations in counts per sample squared (the VEK
// acceleration unit), clock and time row in servo samples of 245.76 µs.
//
// Profile: ramp up from startSpeed at `acceleration`, cruise at the maximum
// speed, and, with the slow-to-end flag, ramp down to endSpeed so that the
// move ends at rest exactly at its length. One step every timeDelta samples;
// the first step is at startClock and distance 0, the last one exactly at
// the full length. The computation needs no port, so the simulated channel's
// engine object serves paths the same way.
class PathEngine {
public:
    // No profile is longer than this many steps (at 128 samples per step,
    // about 35 hours of motion); a longer one raises INVALID_ARGUMENTS.
    static constexpr int32_t MAX_STEPS = 4000000;
    static constexpr double SAMPLE_SECONDS = 0.00024576;

    virtual ~PathEngine() = default;

    int32_t startClock() const { return startClock_; }
    void setStartClock(int32_t value) { startClock_ = value; }
    int16_t timeDelta() const { return timeDelta_; }
    void setTimeDelta(int16_t value) { timeDelta_ = value; }
    double startSpeed() const { return startSpeed_; }
    void setStartSpeed(double value) { startSpeed_ = value; }
    double acceleration() const { return acceleration_; }
    void setAcceleration(double value) { acceleration_ = value; }
    bool slowToEndSpeed() const { return slowToEndSpeed_; }
    void setSlowToEndSpeed(bool value) { slowToEndSpeed_ = value; }
    double endSpeed() const { return endSpeed_; }
    void setEndSpeed(double value) { endSpeed_ = value; }
    // Start position of axis 1..8 for multi-axis profiles; others raise 9.
    int32_t startPoint(int16_t axis) const;
    void setStartPoint(int16_t axis, int32_t value);
    // Kept for the streaming side and the developer dump; profiles ignore it.
    int16_t plane() const { return plane_; }
    void setPlane(int16_t value) { plane_ = value; }

    // Distance along a path of `length` at each step: rows (distance, time).
    // A speed, acceleration or length that is not positive gives one step at
    // the start (there is no motion); NaN or infinite values raise 11.
    ProfileArray oneDimensionalProfile(double maxSpeed, double length) const;
    // Straight move of targets.size() axes from startPoint(1..) to
    // targets[0..]: one row per axis (its position), then the time row.
    ProfileArray multiAxisProfile(double maxSpeed, const std::vector<int32_t>& targets) const;

private:
    ProfileArray profile(double maxSpeed, double length, int distanceRows, const std::vector<double>& from,
                         const std::vector<double>& to) const;

    int32_t startClock_ = 0;
    int16_t timeDelta_ = 128;
    double startSpeed_ = 0.0;
    double acceleration_ = 0.01;
    bool slowToEndSpeed_ = true;
    double endSpeed_ = 0.0;
    std::array<int32_t, 8> startPoint_{};
    int16_t plane_ = 0;
};

}  // namespace vek
