#include <gtest/gtest.h>

#include "support/TempInstall.h"
#include "vek/foundation/NumberedError.h"
#include "vek/motors/Measurement.h"
#include "vek/motors/MotorConstants.h"

namespace vek::test {
namespace {

using namespace Units;
constexpr int16_t SM = MotorConstants::TYPE_SM;
constexpr int16_t WX = MotorConstants::TYPE_WX;

class MeasurementTest : public VekTest {
protected:
    double position(int16_t from, int16_t to, double x, double pitch, int16_t type = SM) {
        return m_.getPosition(from, to, x, pitch, type);
    }
    double velocity(int16_t from, int16_t to, double x, double pitch, int16_t type = SM) {
        return m_.getVelocity(from, to, x, pitch, type);
    }
    double acceleration(int16_t from, int16_t to, double x, double pitch, int16_t type = SM) {
        return m_.getAcceleration(from, to, x, pitch, type);
    }
    Measurement m_;
};

TEST_F(MeasurementTest, LinearPositions) {
    EXPECT_EQ(position(mm, smu, 10, 5), 8000);
    EXPECT_EQ(position(smu, mm, 8000, 5), 10);
    EXPECT_EQ(position(Inch, smu, 1, 5), 20320);
    EXPECT_EQ(position(smu, Inch, 20320, 5), 1);
    EXPECT_EQ(position(Inch, mm, 2, 5), 50.8);
    EXPECT_EQ(position(mm, Inch, 25.4, 5), 1);
    EXPECT_EQ(position(smu, smu, 2.5, 5), 2);
    EXPECT_EQ(position(mm, mm, 1.234567, 5), 1.23457);
    EXPECT_EQ(position(mm, VEK, 10, 5), 8000);
    EXPECT_EQ(position(Inch, VEK, 1, 5), 20320);
    EXPECT_EQ(position(smu, VEK, 17.5, 5), 17.5);
    // A Dravo linear cylinder converts like a SmartMotor slide.
    EXPECT_EQ(position(mm, smu, 10, 5, MotorConstants::TYPE_GZ), 8000);
}

TEST_F(MeasurementTest, MotorValuesRoundHalvesToEven) {
    EXPECT_EQ(position(mm, smu, 0.00062, 5), 0);   // 0.496
    EXPECT_EQ(position(mm, smu, 0.000625, 5), 0);  // 0.5
    EXPECT_EQ(position(mm, smu, 0.001875, 5), 2);  // 1.5
    EXPECT_EQ(position(mm, smu, -0.001875, 5), -2);
}

TEST_F(MeasurementTest, LinearVelocitiesAndAccelerations) {
    EXPECT_EQ(velocity(mm, smu, 5, 5), 64425);
    EXPECT_EQ(velocity(smu, mm, 64425, 5), 5);
    EXPECT_EQ(velocity(mm, VEK, 5, 5), 0.98305);
    EXPECT_EQ(velocity(smu, VEK, 65536, 5), 1);
    EXPECT_EQ(velocity(Inch, VEK, 1, 25.4), 0.98305);
    EXPECT_EQ(acceleration(mm, smu, 10, 5), 32);
    EXPECT_EQ(acceleration(smu, mm, 32, 5), 10);
    EXPECT_EQ(acceleration(smu, VEK, 32768, 5), 0.5);
    EXPECT_EQ(acceleration(smu, smu, 3.5, 5), 4);
}

TEST_F(MeasurementTest, RotaryUnitsBecomeDegreesInTheCallersArguments) {
    int16_t from = mm, to = smu;
    EXPECT_EQ(m_.getPosition(from, to, 90, 1, WX), 1000);
    EXPECT_EQ(from, degrees);
    EXPECT_EQ(to, smu);

    from = smu;
    to = Inch;
    EXPECT_EQ(m_.getPosition(from, to, 1000, 1, WX), 90);
    EXPECT_EQ(to, degrees);

    EXPECT_EQ(velocity(degrees, smu, 60, 1, WX), 64425);  // one rev per second
    EXPECT_EQ(velocity(smu, degrees, 64425, 1, WX), 60);
    EXPECT_EQ(acceleration(degrees, smu, 3600, 1, WX), 16);
    EXPECT_EQ(acceleration(smu, degrees, 16, 2, WX), 7200);
    EXPECT_EQ(position(smu, smu, 2.5, 1, WX), 2.5) << "not rounded to a whole count";
    EXPECT_EQ(position(smu, VEK, 5, 1, WX), 0);
    EXPECT_TRUE(logged("No units conversions defined for getPosition: from=1 , toUnits=4"));
}

TEST_F(MeasurementTest, UndefinedPairsLogAndReturnZero) {
    EXPECT_EQ(position(VEK, smu, 5, 5), 0);
    EXPECT_TRUE(logged("No units conversions defined for getPosition: from=4 , toUnits=1"));
    EXPECT_EQ(velocity(None, mm, 5, 5), 0);
    EXPECT_TRUE(logged("No units conversions defined for getVelocity: from=5 , toUnits=2"));
    EXPECT_EQ(acceleration(SECONDS, mm, 5, 5), 0);
    EXPECT_TRUE(logged("No units conversions defined for getAcceleration: from=6 , toUnits=2"));
    EXPECT_EQ(m_.getTime(mm, smu, 5), 0);
    EXPECT_TRUE(logged("No units conversions defined for getTime: from=2 , toUnits=1"));
    EXPECT_EQ(m_.getPitch(mm, smu, 5), 0);
    EXPECT_TRUE(logged("No units conversions defined for getPitch: from=2 , toUnits=1"));
}

TEST_F(MeasurementTest, WrongMotorTypeIsRefused) {
    for (int16_t type : {0, 8, 16}) {
        try {
            position(mm, smu, 1, 1, type);
            FAIL();
        } catch (const NumberedError& e) {
            EXPECT_EQ(e.number(), 11);
            EXPECT_EQ(e.description(), "Wrong MotorType " + std::to_string(type) + " is passed in getPosition method");
        }
    }
    try {
        velocity(mm, smu, 1, 1, 0);
        FAIL();
    } catch (const NumberedError& e) {
        EXPECT_EQ(e.description(), "Wrong MotorType 0 is passed in getVelocity method");
    }
    try {
        acceleration(mm, smu, 1, 1, 0);
        FAIL();
    } catch (const NumberedError& e) {
        EXPECT_EQ(e.description(), "Wrong MotorType 0 is passed in getAcceleration method");
    }
    try {
        m_.getAccelerationUnit(0, mm);
        FAIL();
    } catch (const NumberedError& e) {
        EXPECT_EQ(e.description(), "Wrong MotorType 0 is passed in getPosition method");
    }
}

TEST_F(MeasurementTest, ZeroPitchRaisesArithmeticErrors) {
    try {
        position(mm, smu, 1, 0);
        FAIL();
    } catch (const NumberedError& e) {
        EXPECT_EQ(e.number(), 11);
        EXPECT_EQ(e.description(), "Division by zero");
    }
    EXPECT_EQ(position(smu, mm, 8000, 0), 0);
    EXPECT_THROW(position(mm, smu, 1e12, 1), NumberedError) << "beyond 32 bits";
}

TEST_F(MeasurementTest, Times) {
    EXPECT_EQ(m_.getTime(smu, SECONDS, 4069), 1);
    EXPECT_EQ(m_.getTime(SECONDS, smu, 1), 4069);
    EXPECT_EQ(m_.getTime(smu, SECONDS, 1), 0.00025);
    EXPECT_EQ(m_.getTime(smu, smu, 1.5), 1.5);
    EXPECT_EQ(m_.getTime(SECONDS, SECONDS, 0.123456), 0.12346);
}

TEST_F(MeasurementTest, UnitNames) {
    EXPECT_EQ(m_.getPositionUnit(SM, true, smu), "mm");
    EXPECT_EQ(m_.getPositionUnit(SM, false, smu), "smu");
    EXPECT_EQ(m_.getPositionUnit(SM, false, mm), "mm");
    EXPECT_EQ(m_.getPositionUnit(SM, false, Inch), "inch");
    EXPECT_EQ(m_.getPositionUnit(SM, false, VEK), "");
    EXPECT_EQ(m_.getPositionUnit(WX, false, smu), "smu");
    EXPECT_EQ(m_.getPositionUnit(WX, true, smu), "degree");
    EXPECT_EQ(m_.getPositionUnit(WX, false, mm), "degree");
    EXPECT_EQ(m_.getVelocityUnit(SM, smu), "smu");
    EXPECT_EQ(m_.getVelocityUnit(SM, mm), "mm/s");
    EXPECT_EQ(m_.getVelocityUnit(SM, Inch), "inch/s");
    EXPECT_EQ(m_.getVelocityUnit(SM, SECONDS), "");
    EXPECT_EQ(m_.getVelocityUnit(WX, Inch), "rpm");
    EXPECT_EQ(m_.getAccelerationUnit(SM, mm), "mm/s^2");
    EXPECT_EQ(m_.getAccelerationUnit(SM, Inch), "inch/s^2");
    EXPECT_EQ(m_.getAccelerationUnit(WX, mm), "rev/min^2");
    EXPECT_EQ(m_.getAccelerationUnit(WX, smu), "smu");
    EXPECT_EQ(m_.getTimeUnit(smu), "smu");
    EXPECT_EQ(m_.getTimeUnit(mm), "sec");
}

}  // namespace
}  // namespace vek::test
