#include "vek/foundation/Error.h"

#include <algorithm>
#include <filesystem>

#include "vek/foundation/Convert.h"
#include "vek/foundation/InstallFolder.h"
#include "vek/foundation/NumberedError.h"

namespace vek {

namespace {
void checkIndex(std::size_t size, int16_t index) {
    // Arrays are zero-based: the valid indices run from 0 to size - 1.
    if (index < 0 || static_cast<std::size_t>(index) >= size)
        raiseInvalidArgument("Index " + toText(index) + " is out of bound of the array");
}
}  // namespace

void Error::validateObject(const std::shared_ptr<const void>& obj) const {
    if (!obj) raiseInvalidArgument("Object is uninitialized. Please assign a new object to the variable.");
}

void Error::validateLogLevels(int16_t level) const {
    if (level < 0 || level > 4) raiseInvalidArgument("Log levels can only be 0, 1 (default), 2, 3, 4.");
}

void Error::validateDisallowedWord(const std::string& fromString, const std::string& disallowedWord) const {
    if (fromString.find(disallowedWord) != std::string::npos)
        raiseInvalidArgument("Disallowed word " + disallowedWord + " appears in " + fromString);
}

void Error::validateAxis(int16_t motorIndex, bool allowAllIndex) const {
    const bool valid =
        (allowAllIndex && motorIndex == 0) || (axisCount_ && motorIndex >= 1 && motorIndex <= axisCount_());
    if (!valid) raiseInvalidArgument("Motor Index " + toText(motorIndex) + " is invalid.");
}

void Error::validateCoordinateSystem(const std::string& systemName) const {
    if (!equalsIgnoreCase(systemName, "WORLD") && !equalsIgnoreCase(systemName, "USER"))
        raiseInvalidArgument("Coordinate system can only be WORLD or USER. " + systemName + " is not a valid name.");
}

void Error::validateProgram(const std::string& programName) const {
    const std::string path = joinPath(installSubfolder(InstallSubfolder::programs), programName);
    std::error_code ec;
    if (programName.empty() || !std::filesystem::is_regular_file(path, ec))
        raiseInvalidArgument("Program " + path + " is not found.");
}

void Error::validateMaxPositionError(int16_t MaxPositionError) const {
    if (MaxPositionError < 1 || MaxPositionError > 32000)
        raiseInvalidArgument("MaxPositionError (1 to 32000) is out of bounds.");
}

void Error::validateMaxCurrent(int16_t MaxCurrent) const {
    if (MaxCurrent < 0 || MaxCurrent > 1023) raiseInvalidArgument("MaxCurrent (0 to 1023) is out of bounds.");
}

// The floating-point checks are written so that NaN fails them.
void Error::validateAcceleration(double acceleration) const {
    if (!(acceleration > 0)) raiseInvalidArgument("Acceleration has to be positive number.");
}

void Error::validateSpeed(double speed) const {
    if (!(speed > 0)) raiseInvalidArgument("Speed has to be positive number.");
}

void Error::validateBaudRate(int32_t baudRate) const {
    static constexpr int32_t valid[] = {110,   300,   600,   1200,  2400,   9600,  14400,
                                        19200, 28800, 38400, 56000, 128000, 256000};
    if (std::find(std::begin(valid), std::end(valid), baudRate) == std::end(valid))
        raiseInvalidArgument(
            "Invalid baudrate is specified.Valid values are 110, 300, 600, 1200, 2400, 9600 (default), 14400, "
            "19200, 28800, 38400, 56000, 128000 or 256000.");
}

void Error::validateCornerRadius(double radius) const {
    if (!(radius >= 0)) raiseInvalidArgument("Corner radius can not be negative number.");
}

void Error::validatePercentage(double percentage) const {
    if (!(percentage >= 0 && percentage <= 100)) raiseInvalidArgument("Percentage (0 to 100) is out of bounds.");
}

void Error::validateDirection(int16_t direction) const {
    if (direction != 1 && direction != -1) raiseInvalidArgument("Direction value can only be +1 or -1.");
}

void Error::validateBinary(int16_t bit) const {
    if (bit != 0 && bit != 1) raiseInvalidArgument("Status value can only be 0 or 1.");
}

void Error::validateIntegerArrayBounds(const std::vector<int16_t>& testArray, int16_t Index) const {
    checkIndex(testArray.size(), Index);
}
void Error::validateLongArrayBounds(const std::vector<int32_t>& testArray, int16_t Index) const {
    checkIndex(testArray.size(), Index);
}
void Error::validateDoubleArrayBounds(const std::vector<double>& testArray, int16_t Index) const {
    checkIndex(testArray.size(), Index);
}
void Error::validateSingleArrayBounds(const std::vector<float>& testArray, int16_t Index) const {
    checkIndex(testArray.size(), Index);
}

}  // namespace vek
