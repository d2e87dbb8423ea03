#pragma once
#include <cstdint>

#include "vek/foundation/NotGiven.h"

namespace vek {

namespace MotorConstants {
enum Value : int32_t {
    MOTOR_ALL = 0,
    Motor_X = 1,
    Motor_Y = 2,
    Motor_Z = 3,
    Motor_4 = 4,
    Motor_5 = 5,
    Motor_6 = 6,
    Motor_7 = 7,
    Motor_8 = 8,
    VELOCITY_MODE_TARGET = 10000000,
    DEFAULT_JOG_ACCELERATION = 100,
    DEFAULT_JOG_SPEED = 500000,
    DEFAULT_HOME_ACCELERATION = 100,
    DEFAULT_HOME_SPEED = 10000,
    MOTOR_SAMPLE_TIME = 24576,
    MOTOR_ENCODER_COUNT = 4000,
    MAX_MOTORS = 8,
    DEFAULT_MAX_CURRENT = 1000,
    DEFAULT_MAX_POSITIONERROR = 1000,
    MAX_INPUTS = 12,
    TYPE_SM_OUTPUTS = 6,
    TYPE_GZ_OUTPUTS = 10,
    MAX_OUTPUTS = 10,
    KP = 1,
    KI = 2,
    KD = 3,
    KL = 4,
    KS = 5,
    KV = 6,
    KA = 7,
    KG = 8,
    TYPE_SM = 1,
    TYPE_JP = 2,
    TYPE_WX = 4,
    TYPE_GZ = 6,
    TYPE_GZ_CALIBRATION_JP_OK = 0,
    TYPE_GZ_CALIBRATION_JP_NONE = 1,
    TYPE_GZ_CALIBRATION_JP_FAIL_SENSOR = 2,
    TYPE_GZ_CALIBRATION_JP_FAIL_MOTION = 3,
    TYPE_GZ_CALIBRATION_JP_FAIL_NVWRITE = 4,
};
}  // namespace MotorConstants

// Motor families by type bits: bit value 1 alone is a SmartMotor; bit value 2
// or 4 is a Dravo-family motor (Kelpa, Mirvo, Dravo). A type with none of
// these bits belongs to neither, and family-dependent operations do nothing.
inline bool isSmartMotorFamily(int32_t motorType) {
    return (motorType & 1) != 0 && (motorType & 6) == 0;
}
inline bool isDravoFamily(int32_t motorType) {
    return (motorType & 6) != 0;
}

}  // namespace vek
