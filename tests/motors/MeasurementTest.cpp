#include <gtest/gtest.h>

#include "support/Expect.h"
#include "support/TempInstall.h"
#include "vek/motors/Measurement.h"
#include "vek/motors/MotorConstants.h"

namespace vek::test {
namespace {

using namespace Units;
constexpr int16_t SM = MotorConstants::TYPE_SM;
constexpr int16_t WX = MotorConstants::TYPE_WX;
constexpr int16_t GZ = MotorConstants::TYPE_GZ;

class MeasurementTest : public VekTest {
protected:
    // Quantity 'p'osition, 'v'elocity, 'a'cceleration or 't'ime (which has
    // no pitch or type).
    double convert(char quantity, int16_t from, int16_t to, double x, double pitch = 1, int16_t type = SM) {
        switch (quantity) {
            case 'p': return m_.getPosition(from, to, x, pitch, type);
            case 'v': return m_.getVelocity(from, to, x, pitch, type);
            case 'a': return m_.getAcceleration(from, to, x, pitch, type);
            default: return m_.getTime(from, to, x);
        }
    }
    Measurement m_;
};

// Quantity, from, to, value, pitch, motor type: the result. A Dravo linear
// cylinder converts like a slide; without a pitch there is no length; motor
// values round halves to even (0.496, 0.5, 1.5 counts); a rotary count is not
// rounded; 60 degrees a second is one revolution; pairs without a conversion
// give 0 and are logged.
TEST_F(MeasurementTest, Conversions) {
    struct Case {
        char quantity;
        int16_t from, to;
        double x, pitch;
        int16_t type;
        double expected;
    };
    const std::vector<Case> slides = {
        {'p', mm, smu, 10, 5, SM, 8000},      {'p', smu, mm, 8000, 5, SM, 10},
        {'p', Inch, smu, 1, 5, SM, 20320},    {'p', smu, Inch, 20320, 5, SM, 1},
        {'p', Inch, mm, 2, 5, SM, 50.8},      {'p', mm, Inch, 25.4, 5, SM, 1},
        {'p', smu, smu, 2.5, 5, SM, 2},       {'p', mm, mm, 1.234567, 5, SM, 1.23457},
        {'p', mm, VEK, 10, 5, SM, 8000},      {'p', Inch, VEK, 1, 5, SM, 20320},
        {'p', smu, VEK, 17.5, 5, SM, 17.5},   {'p', mm, smu, 10, 5, GZ, 8000},
        {'p', smu, mm, 8000, 0, SM, 0},       {'p', mm, smu, 0.00062, 5, SM, 0},
        {'p', mm, smu, 0.000625, 5, SM, 0},   {'p', mm, smu, 0.001875, 5, SM, 2},
        {'p', mm, smu, -0.001875, 5, SM, -2}, {'v', mm, smu, 5, 5, SM, 64425},
        {'v', smu, mm, 64425, 5, SM, 5},      {'v', mm, VEK, 5, 5, SM, 0.98305},
        {'v', smu, VEK, 65536, 5, SM, 1},     {'v', Inch, VEK, 1, 25.4, SM, 0.98305},
        {'a', mm, smu, 10, 5, SM, 32},        {'a', smu, mm, 32, 5, SM, 10},
        {'a', smu, VEK, 32768, 5, SM, 0.5},   {'a', smu, smu, 3.5, 5, SM, 4},
    };
    const std::vector<Case> others = {
        {'p', smu, smu, 2.5, 1, WX, 2.5},
        {'v', degrees, smu, 60, 1, WX, 64425},
        {'v', smu, degrees, 64425, 1, WX, 60},
        {'a', degrees, smu, 3600, 1, WX, 16},
        {'a', smu, degrees, 16, 2, WX, 7200},
        {'t', smu, SECONDS, 4069, 0, 0, 1},
        {'t', SECONDS, smu, 1, 0, 0, 4069},
        {'t', smu, SECONDS, 1, 0, 0, 0.00025},
        {'t', smu, smu, 1.5, 0, 0, 1.5},
        {'t', SECONDS, SECONDS, 0.123456, 0, 0, 0.12346},
        {'p', smu, VEK, 5, 1, WX, 0},
        {'p', VEK, smu, 5, 5, SM, 0},
        {'v', None, mm, 5, 5, SM, 0},
        {'a', SECONDS, mm, 5, 5, SM, 0},
        {'t', mm, smu, 5, 0, 0, 0},
    };
    for (const auto* cases : {&slides, &others})
        for (const Case& c : *cases)
            EXPECT_EQ(convert(c.quantity, c.from, c.to, c.x, c.pitch, c.type), c.expected)
                << c.quantity << " of " << c.x << " from " << c.from << " to " << c.to << " type " << c.type;
    EXPECT_EQ(m_.getPitch(mm, smu, 5), 0);
    for (const char* pair :
         {"getPosition: from=1 , toUnits=4", "getPosition: from=4 , toUnits=1", "getVelocity: from=5 , toUnits=2",
          "getAcceleration: from=6 , toUnits=2", "getTime: from=2 , toUnits=1", "getPitch: from=2 , toUnits=1"})
        EXPECT_TRUE(logged(std::string("No units conversions defined for ") + pair)) << pair;
}

// A rotary axis converts from and to degrees whatever length unit it is
// given, and says so in the caller's unit arguments.
TEST_F(MeasurementTest, RotaryUnitsBecomeDegreesInTheCallersArguments) {
    int16_t from = mm, to = smu, back = smu, inch = Inch;
    EXPECT_EQ(std::make_pair(m_.getPosition(from, to, 90, 1, WX), m_.getPosition(back, inch, 1000, 1, WX)),
              std::make_pair(1000.0, 90.0));
    EXPECT_EQ(std::make_tuple(from, to, back, inch), std::make_tuple(degrees, smu, smu, degrees));
}

// A type of no family is refused; a pitch of 0 is a division by zero, a
// count beyond 32 bits an overflow.
TEST_F(MeasurementTest, WrongMotorTypeAndArithmeticErrorsAreRaised) {
    const std::string wrong = "Wrong MotorType ";
    const std::vector<std::tuple<int, std::function<void()>, std::string>> errors = {
        {11, [&] { convert('p', mm, smu, 1, 1, 0); }, wrong + "0 is passed in getPosition method"},
        {11, [&] { convert('p', mm, smu, 1, 1, 8); }, wrong + "8 is passed in getPosition method"},
        {11, [&] { convert('p', mm, smu, 1, 1, 16); }, wrong + "16 is passed in getPosition method"},
        {11, [&] { convert('v', mm, smu, 1, 1, 0); }, wrong + "0 is passed in getVelocity method"},
        {11, [&] { convert('a', mm, smu, 1, 1, 0); }, wrong + "0 is passed in getAcceleration method"},
        {11, [&] { m_.getAccelerationUnit(0, mm); }, wrong + "0 is passed in getPosition method"},
        {11, [&] { convert('p', mm, smu, 1, 0); }, "Division by zero"},
        {6, [&] { convert('p', mm, smu, 1e12, 1); }, "Overflow"},
    };
    for (const auto& [number, call, description] : errors) EXPECT_TRUE(raisesNumbered(number, call, description));
}

// Names of a position, a velocity and an acceleration in a unit; a rotary
// axis has degrees where a slide has a length.
TEST_F(MeasurementTest, UnitNames) {
    const std::vector<std::tuple<int16_t, int16_t, std::string>> cases = {
        {SM, smu, "smu smu smu"},
        {SM, mm, "mm mm/s mm/s^2"},
        {SM, Inch, "inch inch/s inch/s^2"},
        {SM, VEK, "  "},
        {SM, SECONDS, "  "},
        {WX, smu, "smu smu smu"},
        {WX, mm, "degree rpm rev/min^2"},
        {WX, Inch, "degree rpm rev/min^2"},
    };
    for (const auto& [type, unit, names] : cases)
        EXPECT_EQ(m_.getPositionUnit(type, false, unit) + " " + m_.getVelocityUnit(type, unit) + " " +
                      m_.getAccelerationUnit(type, unit),
                  names)
            << type << " " << unit;
    EXPECT_EQ(m_.getPositionUnit(SM, true, smu), "mm") << "the default unit of a slide";
    EXPECT_EQ(m_.getPositionUnit(WX, true, smu), "degree");
    EXPECT_EQ(m_.getTimeUnit(smu), "smu");
    EXPECT_EQ(m_.getTimeUnit(mm), "sec");
}

}  // namespace
}  // namespace vek::test
