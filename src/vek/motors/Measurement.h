#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "vek/foundation/NotGiven.h"
#include "vek/motors/Units.h"

namespace vek {

// Converts positions, velocities, accelerations and times between motor units
// (smu) and user units (mm, inch, degrees, seconds) and names the unit of each
// quantity. Stateless: the caller passes the slide's pitch and motor type.
// Every converted value is rounded to five decimals; values meant for a motor
// are whole numbers (nearest, halves to even).
//
// For a rotary motor, mm and Inch mean degrees: the converters replace them
// in the caller's unit arguments, which is why those are references.
class Measurement {
public:
    Measurement();
    ~Measurement();

    double getPosition(int16_t& fromUnits, int16_t& toUnits, double position, double pitch, int16_t motorType);
    double getVelocity(int16_t& fromUnits, int16_t& toUnits, double velocity, double pitch, int16_t motorType);
    double getAcceleration(int16_t& fromUnits, int16_t& toUnits, double acceleration, double pitch, int16_t motorType);
    double getTime(int16_t fromUnits, int16_t toUnits, double time);
    // No pitch conversion is defined; logs that and returns 0.
    double getPitch(int16_t fromUnits, int16_t toUnits, double pitch);

    // An argUnit of NOT_GIVEN means the configured display unit.
    std::string getPositionUnit(int16_t motorType, bool getDefault = false,
                                int16_t argUnit = static_cast<int16_t>(NOT_GIVEN));
    std::string getVelocityUnit(int16_t motorType, int16_t argUnit = static_cast<int16_t>(NOT_GIVEN));
    std::string getAccelerationUnit(int16_t motorType, int16_t argUnit = static_cast<int16_t>(NOT_GIVEN));
    std::string getTimeUnit(int16_t argUnit = static_cast<int16_t>(NOT_GIVEN));

    // Where the configured display unit comes from: the composition root
    // makes it the loaded configuration's unit. Without it, motor units.
    void setConfiguredUnit(std::function<int16_t()> unit) { configuredUnit_ = std::move(unit); }

private:
    // The three linear or rotary quantities differ only in their scale
    // factors; one converter serves all of them.
    struct Quantity;
    double convert(const Quantity& quantity, int16_t& fromUnits, int16_t& toUnits, double x, double pitch,
                   int16_t motorType);
    double convertLinear(const Quantity& quantity, int16_t fromUnits, int16_t toUnits, double x, double pitch,
                         int16_t motorType);
    double convertRotary(const Quantity& quantity, int16_t fromUnits, int16_t toUnits, double x, double pitch);
    static void logNoConversion(const char* operation, int16_t fromUnits, int16_t toUnits);
    struct UnitNames;
    std::string unitName(const UnitNames& names, int16_t motorType, int16_t argUnit, bool getDefault) const;
    int16_t configuredUnit() const;

    std::function<int16_t()> configuredUnit_;
};

}  // namespace vek
