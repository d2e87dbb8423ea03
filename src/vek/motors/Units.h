#pragma once
#include <cstdint>

namespace vek {

namespace Units {
enum Value : int32_t {
    smu = 1,
    mm = 2,
    Inch = 3,
    VEK = 4,
    None = 5,
    SECONDS = 6,
    degrees = 7,
    Default = 1,
};
}  // namespace Units

// Motor-side scale factors for a 4000-count motor: 64425 is the velocity value
// of one revolution per second, 16 the acceleration value of one revolution
// per second squared; VEK velocities and accelerations are smu / 65536.
namespace MeasurementConstants {
enum Value : int32_t {
    SMU_VELOCITY_CONVERSION = 64425,
    SMU_ACCELERATION_CONVERSION = 16,
    SMU_VEK_CONVERSION = 65536,
};
}  // namespace MeasurementConstants

}  // namespace vek
