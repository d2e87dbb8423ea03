#pragma once
#include <cstdint>
#include <string>
#include <variant>

namespace vek {

// One field value read from or bound into a statement: null, a whole number,
// a decimal number or text. The conversions follow vek's own rules (halves to
// even, 13 for text that is not a number); converting a null raises 94
// "Invalid use of Null", the way a field without a value always has.
class DbValue {
public:
    DbValue() = default;
    DbValue(int64_t v) : value_(v) {}
    DbValue(int32_t v) : value_(static_cast<int64_t>(v)) {}
    DbValue(int16_t v) : value_(static_cast<int64_t>(v)) {}
    DbValue(double v) : value_(v) {}
    DbValue(std::string v) : value_(std::move(v)) {}
    DbValue(const char* v) : value_(std::string(v)) {}

    bool isNull() const { return std::holds_alternative<std::monostate>(value_); }
    bool isInteger() const { return std::holds_alternative<int64_t>(value_); }
    bool isReal() const { return std::holds_alternative<double>(value_); }
    bool isText() const { return std::holds_alternative<std::string>(value_); }

    // The whole number held; only meaningful when isInteger().
    int64_t integerValue() const { return isInteger() ? std::get<int64_t>(value_) : 0; }
    double toDouble() const;
    int32_t toInt32() const;
    int16_t toInt16() const;
    // Numbers print as vek::toText prints them.
    std::string toText() const;
    // As toText, but a null gives `fallback` instead of raising.
    std::string textOr(const std::string& fallback) const;

    static constexpr int32_t INVALID_USE_OF_NULL = 94;

private:
    std::variant<std::monostate, int64_t, double, std::string> value_;
};

}  // namespace vek
