#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vek {

// The shared argument validator: each validate... returns silently or raises
// error 11 (INVALID_ARGUMENTS) with a fixed message. An instance also serves
// as a record of a failure at a position in a text (a compile error).
class Error {
public:
    // How many axes validateAxis accepts: the composition root makes the
    // process-wide validator ask the façade. Without it no axis is valid.
    void setAxisCount(std::function<int16_t()> axisCount) { axisCount_ = std::move(axisCount); }

    int32_t code() const { return code_; }
    void setCode(int32_t v) { code_ = v; }
    int32_t line() const { return line_; }
    void setLine(int32_t v) { line_ = v; }
    int32_t column() const { return column_; }
    void setColumn(int32_t v) { column_ = v; }
    const std::string& message() const { return message_; }
    void setMessage(const std::string& v) { message_ = v; }

    void validateObject(const std::shared_ptr<const void>& obj) const;
    void validateLogLevels(int16_t level) const;
    void validateDisallowedWord(const std::string& fromString, const std::string& disallowedWord) const;
    void validateAxis(int16_t motorIndex, bool allowAllIndex = false) const;
    void validateCoordinateSystem(const std::string& systemName) const;
    void validateProgram(const std::string& programName) const;
    void validateMaxPositionError(int16_t MaxPositionError) const;
    void validateMaxCurrent(int16_t MaxCurrent) const;
    void validateAcceleration(double acceleration) const;
    void validateSpeed(double speed) const;
    void validateBaudRate(int32_t baudRate) const;
    void validateCornerRadius(double radius) const;
    void validatePercentage(double percentage) const;
    void validateDirection(int16_t direction) const;
    void validateBinary(int16_t bit) const;
    void validateIntegerArrayBounds(const std::vector<int16_t>& testArray, int16_t Index) const;
    void validateLongArrayBounds(const std::vector<int32_t>& testArray, int16_t Index) const;
    void validateDoubleArrayBounds(const std::vector<double>& testArray, int16_t Index) const;
    void validateSingleArrayBounds(const std::vector<float>& testArray, int16_t Index) const;

private:
    int32_t code_ = 0;
    int32_t line_ = 0;
    int32_t column_ = 0;
    std::string message_;
    std::function<int16_t()> axisCount_;
};

}  // namespace vek
