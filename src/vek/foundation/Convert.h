#pragma once
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace vek {

using DateTime = std::chrono::system_clock::time_point;

// Round to nearest, halves to even; NaN or out of range raises 6 (Overflow).
int32_t toInt32(double value);
int16_t toInt16(double value);
// Numeric text (surrounding blanks allowed) or error 13 (Type mismatch).
double toDouble(std::string_view text);
// Whether toDouble would accept the text.
bool isNumeric(std::string_view text);
// The leading decimal number of a text, 0 when there is none.
double val(std::string_view text);

// Shortest text with at most 15 significant digits and no trailing zeros;
// exponent form from 1E+15 up and below 1E-04 (1E-08, 1.5E+16).
std::string toText(double value);
inline std::string toText(float value) {
    return toText(static_cast<double>(value));
}
inline std::string toText(bool value) {
    return value ? "True" : "False";
}
template <typename I>
requires(std::is_integral_v<I> && !std::is_same_v<I, bool>) std::string toText(I value) {
    return std::to_string(value);
}
inline std::string toText(const std::string& value) {
    return value;
}
inline std::string toText(const char* value) {
    return value;
}

// Local time as "YYYY-MM-DD HH:MM:SS".
std::string formatDateTime(DateTime time);
// Local time of day as "HH:MM:SS".
std::string formatTimeOfDay(DateTime time);

// ASCII helpers shared by the text-handling parts of vek.
std::string trim(std::string_view text);
std::string toLowerAscii(std::string_view text);
std::string toUpperAscii(std::string_view text);
bool equalsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace vek
