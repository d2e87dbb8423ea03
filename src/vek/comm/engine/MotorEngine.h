#pragma once
#include <array>
#include <cstdint>

#include "vek/foundation/NotGiven.h"
#include "vek/geometry/PathEngine.h"

namespace vek {

// The motor engine object that a channel hands out through
// ICommunication::getObject. It is the path engine itself (derived from
// PathEngine), so callers that generate or stream coordinated motion use
// `comm->getObject()` directly wherever a PathEngine is wanted: a
// std::shared_ptr<MotorEngine> converts to std::shared_ptr<PathEngine>.
//
// Besides the path side it keeps the command-side settings that every
// channel writes: the three numeric timing settings (1..3, in the order the
// engine declares them) and the highest address that chain addressing may
// assign. The serial transport that gives these settings their effect on the
// line is not part of this object yet; the simulated channel only records
// them.
class MotorEngine : public PathEngine {
public:
    // The values the serial channel writes when it opens a port.
    static constexpr int32_t SERIAL_SETTING_1 = 105;
    static constexpr int32_t SERIAL_SETTING_2 = 150;
    static constexpr int32_t SERIAL_SETTING_3 = 550;

    MotorEngine() = default;
    ~MotorEngine() override = default;
    MotorEngine(const MotorEngine&) = delete;
    MotorEngine& operator=(const MotorEngine&) = delete;

    // Numeric setting `which` (1..3); any other index raises 9.
    int32_t numericSetting(int16_t which) const;
    void setNumericSetting(int16_t which, int32_t value);

    // Chain addressing stops at this many motors; NOT_GIVEN until written.
    int32_t highestAddress() const { return highestAddress_; }
    void setHighestAddress(int32_t value) { highestAddress_ = value; }

private:
    std::array<int32_t, 3> numericSettings_{};
    int32_t highestAddress_ = NOT_GIVEN;
};

}  // namespace vek
