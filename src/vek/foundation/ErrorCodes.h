#pragma once
#include <cstdint>

namespace vek {

// Numbers of the failures that vek raises to its host.
namespace ErrorCodes {
enum Value : int32_t {
    OPEN_PORT_FAILED = 1,
    FILE_IO_FAILED = 2,
    NO_MOTORS_DETECTED = 3,
    SET_BAUDRATE_FAILED = 4,
    CLOSE_PORT_FAILED = 5,
    NO_LIMIT_SWITCH = 6,
    NO_INDEX_PULSE = 7,
    MOTION_INTERRUPTED = 8,
    DATABASE_ERROR = 9,
    MOTOR_SERVO_OFF = 10,
    INVALID_ARGUMENTS = 11,
    HMI_ERROR = 12,
    USER_INTERRUPTION = 14,
    OPEN_CONNECTION_FAILED = 101,
};
}  // namespace ErrorCodes

// The classic platform errors that hosts of this library have always relied
// on, with their well-known numbers. Their texts come from platformErrorText.
namespace PlatformErrors {
enum Value : int32_t {
    INVALID_PROCEDURE_CALL = 5,
    OVERFLOW_ERROR = 6,
    SUBSCRIPT_OUT_OF_RANGE = 9,
    DIVISION_BY_ZERO = 11,
    TYPE_MISMATCH = 13,
    OBJECT_NOT_SET = 91,
    FILE_NOT_FOUND = 53,
    PATH_FILE_ACCESS_ERROR = 75,
    DUPLICATE_KEY = 457,
};
}  // namespace PlatformErrors

}  // namespace vek
