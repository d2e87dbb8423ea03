#include "vek/motors/Measurement.h"

#include <cmath>

#include "vek/foundation/Convert.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NumberedError.h"
#include "vek/motors/MotorConstants.h"

namespace vek {

struct Measurement::Quantity {
    const char* operation;
    // Motor units per motor revolution (per second, per second squared).
    double perRevolution;
    // Divisor of the VEK unit (1 for positions).
    double vekDivisor;
    // Seconds of the rotary user unit: degrees, rev/min, rev/min^2.
    double rotaryUserScale;
    // User units per revolution for rotary positions (360 degrees), 1 otherwise.
    double rotaryUnitsPerRevolution;
};

namespace {

const double kMmPerInch = 25.4;

// Five decimals, halves to even as everywhere else in vek.
double roundFive(double x) {
    if (!std::isfinite(x)) return x;
    return std::nearbyint(x * 1e5) / 1e5;
}

// Floating-point division by zero reaches the caller as the classic errors:
// 0/0 is an overflow (6), anything else over 0 a division by zero (11).
double divide(double a, double b) {
    if (b == 0)
        throw NumberedError::platform(a == 0 ? PlatformErrors::OVERFLOW_ERROR : PlatformErrors::DIVISION_BY_ZERO);
    return a / b;
}

enum class Family { linear, rotary, wrong };

Family familyOf(int16_t motorType) {
    if (motorType & 3) return Family::linear;
    if (motorType & 4) return Family::rotary;
    return Family::wrong;
}

[[noreturn]] void raiseWrongType(int16_t motorType, const char* operation) {
    raiseInvalidArgument("Wrong MotorType " + toText(motorType) + " is passed in " + operation + " method");
}

constexpr double kSampleTime = MotorConstants::MOTOR_SAMPLE_TIME;

}  // namespace

Measurement::Measurement() {
    logAt(LogLevel::DEVELOPER, "Initializing vek.Measurement");
}

Measurement::~Measurement() {
    logAt(LogLevel::DEVELOPER, "Terminating vek.Measurement");
}

void Measurement::logNoConversion(const char* operation, int16_t fromUnits, int16_t toUnits) {
    logAt(LogLevel::Error, std::string("No units conversions defined for ") + operation +
                               ": from=" + toText(fromUnits) + " , toUnits=" + toText(toUnits));
}

double Measurement::getPosition(int16_t& fromUnits, int16_t& toUnits, double position, double pitch,
                                int16_t motorType) {
    static const Quantity q{"getPosition", MotorConstants::MOTOR_ENCODER_COUNT, 1, 1, 360};
    return convert(q, fromUnits, toUnits, position, pitch, motorType);
}

double Measurement::getVelocity(int16_t& fromUnits, int16_t& toUnits, double velocity, double pitch,
                                int16_t motorType) {
    static const Quantity q{"getVelocity", MeasurementConstants::SMU_VELOCITY_CONVERSION,
                            MeasurementConstants::SMU_VEK_CONVERSION, 60, 1};
    return convert(q, fromUnits, toUnits, velocity, pitch, motorType);
}

double Measurement::getAcceleration(int16_t& fromUnits, int16_t& toUnits, double acceleration, double pitch,
                                    int16_t motorType) {
    static const Quantity q{"getAcceleration", MeasurementConstants::SMU_ACCELERATION_CONVERSION,
                            MeasurementConstants::SMU_VEK_CONVERSION, 3600, 1};
    return convert(q, fromUnits, toUnits, acceleration, pitch, motorType);
}

double Measurement::convert(const Quantity& quantity, int16_t& fromUnits, int16_t& toUnits, double x, double pitch,
                            int16_t motorType) {
    switch (familyOf(motorType)) {
        case Family::linear: return roundFive(convertLinear(quantity, fromUnits, toUnits, x, pitch, motorType));
        case Family::rotary:
            // A rotary axis has no length: its user unit is always degrees.
            if (fromUnits == Units::mm || fromUnits == Units::Inch) fromUnits = Units::degrees;
            if (toUnits == Units::mm || toUnits == Units::Inch) toUnits = Units::degrees;
            return roundFive(convertRotary(quantity, fromUnits, toUnits, x, pitch));
        case Family::wrong: break;
    }
    raiseWrongType(motorType, quantity.operation);
}

double Measurement::convertLinear(const Quantity& q, int16_t fromUnits, int16_t toUnits, double x, double pitch,
                                  int16_t motorType) {
    // Inner steps go through the full converter, rounding included, exactly
    // as a caller chaining two conversions would see them.
    auto again = [&](int16_t from, int16_t to, double value) {
        return roundFive(convertLinear(q, from, to, value, pitch, motorType));
    };
    using namespace Units;
    switch (fromUnits) {
        case mm:
            switch (toUnits) {
                case smu: return toInt32(divide(x * q.perRevolution, pitch));
                case mm: return x;
                case Inch: return x / kMmPerInch;
                case VEK: return again(mm, smu, x) / q.vekDivisor;
                default: break;
            }
            break;
        case Inch:
            switch (toUnits) {
                case smu: return toInt32(again(mm, smu, x * kMmPerInch));
                case mm: return x * kMmPerInch;
                case Inch: return x;
                case VEK: return again(Inch, smu, x) / q.vekDivisor;
                default: break;
            }
            break;
        case smu:
            switch (toUnits) {
                case smu: return toInt32(x);
                case mm: return divide(x * pitch, q.perRevolution);
                case Inch: return again(smu, mm, x) / kMmPerInch;
                case VEK: return x / q.vekDivisor;
                default: break;
            }
            break;
        default: break;
    }
    logNoConversion(q.operation, fromUnits, toUnits);
    return 0;
}

double Measurement::convertRotary(const Quantity& q, int16_t fromUnits, int16_t toUnits, double x, double pitch) {
    using namespace Units;
    // Degrees for positions, revolutions per minute (squared) for the others.
    const double userPerRevolution = q.rotaryUnitsPerRevolution * q.rotaryUserScale;
    if (fromUnits == degrees && toUnits == smu) return toInt32(divide(x / userPerRevolution * q.perRevolution, pitch));
    if (fromUnits == smu && toUnits == degrees) return x * userPerRevolution * pitch / q.perRevolution;
    if ((fromUnits == smu && toUnits == smu) || (fromUnits == degrees && toUnits == degrees)) return x;
    logNoConversion(q.operation, fromUnits, toUnits);
    return 0;
}

double Measurement::getTime(int16_t fromUnits, int16_t toUnits, double time) {
    using namespace Units;
    double result = 0;
    if (fromUnits == smu && toUnits == SECONDS)
        result = time * kSampleTime / 1e8;
    else if (fromUnits == SECONDS && toUnits == smu)
        result = toInt32(time * 1e8 / kSampleTime);
    else if ((fromUnits == smu && toUnits == smu) || (fromUnits == SECONDS && toUnits == SECONDS))
        result = time;
    else
        logNoConversion("getTime", fromUnits, toUnits);
    return roundFive(result);
}

double Measurement::getPitch(int16_t fromUnits, int16_t toUnits, double pitch) {
    (void)pitch;
    logNoConversion("getPitch", fromUnits, toUnits);
    return 0;
}

int16_t Measurement::configuredUnit() const {
    return configuredUnit_ ? configuredUnit_() : static_cast<int16_t>(Units::smu);
}

// Names of one quantity in the rotary user unit and the linear ones; the
// motor unit is "smu" throughout.
struct Measurement::UnitNames {
    const char* rotary;
    const char* mm;
    const char* inch;
};

std::string Measurement::unitName(const UnitNames& names, int16_t motorType, int16_t argUnit, bool getDefault) const {
    const Family family = familyOf(motorType);
    if (family == Family::wrong) raiseWrongType(motorType, "getPosition");
    if (family == Family::linear && getDefault) return names.mm;
    const int16_t unit = argUnit == static_cast<int16_t>(NOT_GIVEN) ? configuredUnit() : argUnit;
    if (family == Family::rotary) return unit == Units::smu && !getDefault ? "smu" : names.rotary;
    switch (unit) {
        case Units::smu: return "smu";
        case Units::mm: return names.mm;
        case Units::Inch: return names.inch;
        default: return "";
    }
}

std::string Measurement::getPositionUnit(int16_t motorType, bool getDefault, int16_t argUnit) {
    return unitName({"degree", "mm", "inch"}, motorType, argUnit, getDefault);
}

std::string Measurement::getVelocityUnit(int16_t motorType, int16_t argUnit) {
    return unitName({"rpm", "mm/s", "inch/s"}, motorType, argUnit, false);
}

std::string Measurement::getAccelerationUnit(int16_t motorType, int16_t argUnit) {
    return unitName({"rev/min^2", "mm/s^2", "inch/s^2"}, motorType, argUnit, false);
}

std::string Measurement::getTimeUnit(int16_t argUnit) {
    const int16_t unit = argUnit == static_cast<int16_t>(NOT_GIVEN) ? configuredUnit() : argUnit;
    return unit == Units::smu ? "smu" : "sec";
}

}  // namespace vek
