#include "vek/geometry/PathEngine.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "vek/foundation/Convert.h"

namespace vek {

namespace {

std::string describe(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
    return toText(value);
}

void requireFinite(const char* what, double value) {
    if (!std::isfinite(value))
        raiseInvalidArgument(std::string("Speed profile needs a finite ") + what + " (got " + describe(value) + ")");
}

// A trapezoid (or triangle) of speed over time covering `length`: phase 1
// changes the speed from v0 to vp at a1, phase 2 cruises at vp, phase 3
// changes it to ve at a3.
struct Trapezoid {
    double v0 = 0, vp = 0, ve = 0, a1 = 0, a3 = 0;
    double t1 = 0, t2 = 0, t3 = 0, d1 = 0, d2 = 0, length = 0;

    double duration() const { return t1 + t2 + t3; }

    double distanceAt(double t) const {
        double d;
        if (t <= 0) {
            d = 0;
        } else if (t < t1) {
            d = v0 * t + a1 * t * t / 2;
        } else if (t < t1 + t2) {
            d = d1 + vp * (t - t1);
        } else if (t < t1 + t2 + t3) {
            const double u = t - t1 - t2;
            d = d1 + d2 + vp * u - a3 * u * u / 2;
        } else {
            d = length;
        }
        return std::min(d, length);
    }
};

Trapezoid plan(double v, double a, double length, double startSpeed, double endSpeed, bool slowToEnd) {
    Trapezoid p;
    p.length = length;
    p.v0 = std::clamp(startSpeed, 0.0, v);
    p.a1 = p.a3 = a;
    if (slowToEnd) {
        p.ve = std::clamp(endSpeed, 0.0, v);
        p.vp = std::min(v, std::sqrt((2 * a * length + p.v0 * p.v0 + p.ve * p.ve) / 2));
        if (p.vp < p.v0) {
            // Too short to slow down at `a`: brake harder so the end is met.
            p.vp = p.v0;
            p.a3 = (p.v0 * p.v0 - p.ve * p.ve) / (2 * length);
        } else if (p.vp < p.ve) {
            p.vp = p.ve;
            p.a1 = (p.ve * p.ve - p.v0 * p.v0) / (2 * length);
        }
    } else {
        p.vp = std::min(v, std::sqrt(p.v0 * p.v0 + 2 * a * length));
        p.ve = p.vp;
    }
    p.t1 = p.a1 > 0 ? (p.vp - p.v0) / p.a1 : 0;
    p.d1 = (p.v0 + p.vp) / 2 * p.t1;
    p.t3 = p.a3 > 0 ? (p.vp - p.ve) / p.a3 : 0;
    const double d3 = (p.vp + p.ve) / 2 * p.t3;
    p.d2 = std::max(0.0, length - p.d1 - d3);
    p.t2 = p.vp > 0 ? p.d2 / p.vp : 0;
    return p;
}

}  // namespace

int32_t PathEngine::startPoint(int16_t axis) const {
    if (axis < 1 || axis > 8) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
    return startPoint_[static_cast<std::size_t>(axis - 1)];
}

void PathEngine::setStartPoint(int16_t axis, int32_t value) {
    if (axis < 1 || axis > 8) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
    startPoint_[static_cast<std::size_t>(axis - 1)] = value;
}

ProfileArray PathEngine::oneDimensionalProfile(double maxSpeed, double length) const {
    return profile(maxSpeed, length, 1, {}, {});
}

ProfileArray PathEngine::multiAxisProfile(double maxSpeed, const std::vector<int32_t>& targets) const {
    if (targets.size() > startPoint_.size()) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
    std::vector<double> from, to;
    double sum = 0;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        from.push_back(startPoint_[i]);
        to.push_back(targets[i]);
        const double d = to.back() - from.back();
        sum += d * d;
    }
    return profile(maxSpeed, std::sqrt(sum), static_cast<int>(targets.size()), from, to);
}

ProfileArray PathEngine::profile(double maxSpeed, double length, int distanceRows, const std::vector<double>& from,
                                 const std::vector<double>& to) const {
    requireFinite("maximum speed", maxSpeed);
    requireFinite("acceleration", acceleration_);
    requireFinite("length", length);
    requireFinite("start speed", startSpeed_);
    requireFinite("end speed", endSpeed_);
    if (timeDelta_ <= 0)
        raiseInvalidArgument("Speed profile needs a positive time step (got " + toText(timeDelta_) + ")");

    const int rows = distanceRows + 1;
    auto fill = [&](ProfileArray& out, int32_t step, double distance, double clock) {
        if (from.empty()) {
            out.at(1, step) = distance;
        } else {
            const double f = length > 0 ? distance / length : 0.0;
            for (int i = 1; i <= distanceRows; ++i) {
                const auto k = static_cast<std::size_t>(i - 1);
                out.at(i, step) = from[k] + (to[k] - from[k]) * f;
            }
        }
        out.at(rows, step) = clock;
    };

    if (!(maxSpeed > 0) || !(acceleration_ > 0) || !(length > 0)) {
        ProfileArray still(rows, 1);
        fill(still, 1, 0.0, startClock_);
        return still;
    }

    const Trapezoid p = plan(maxSpeed, acceleration_, length, startSpeed_, endSpeed_, slowToEndSpeed_);
    const double dt = timeDelta_;
    const double intervals = std::ceil(p.duration() / dt - 1e-9);
    if (!(intervals + 1 <= MAX_STEPS))
        raiseInvalidArgument("Speed profile would need " + describe(intervals + 1) + " steps, more than the limit of " +
                             std::to_string(MAX_STEPS) + "; raise the speed or the acceleration");
    const auto last = static_cast<int32_t>(intervals);
    ProfileArray out(rows, last + 1);
    for (int32_t k = 0; k <= last; ++k) {
        const double t = k * dt;
        fill(out, k + 1, k == last ? length : p.distanceAt(t), startClock_ + t);
    }
    return out;
}

}  // namespace vek
