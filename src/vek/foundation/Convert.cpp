#include "vek/foundation/Convert.h"

#include <cctype>
#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>

#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/NumberedError.h"

namespace vek {

namespace {

double roundHalfEven(double value) {
    // nearbyint honours the current rounding mode, which vek never changes
    // from round-to-nearest-even.
    return std::nearbyint(value);
}

template <typename I>
I toInteger(double value) {
    if (std::isnan(value)) throw NumberedError::platform(PlatformErrors::OVERFLOW_ERROR);
    const double r = roundHalfEven(value);
    if (r < static_cast<double>(std::numeric_limits<I>::min()) ||
        r > static_cast<double>(std::numeric_limits<I>::max()))
        throw NumberedError::platform(PlatformErrors::OVERFLOW_ERROR);
    return static_cast<I>(r);
}

// Length of the decimal number at the start of `s` (optional sign, digits,
// fraction, exponent); 0 when there is none.
std::size_t numberPrefix(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        std::size_t expDigits = 0;
        while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j, ++expDigits;
        if (expDigits > 0) i = j;
    }
    return i;
}

double parsePrefix(std::string_view s, std::size_t len) {
    std::string copy(s.substr(0, len));
    return std::strtod(copy.c_str(), nullptr);
}

}  // namespace

int32_t toInt32(double value) {
    return toInteger<int32_t>(value);
}
int16_t toInt16(double value) {
    return toInteger<int16_t>(value);
}

bool isNumeric(std::string_view text) {
    std::string t = trim(text);
    if (t.empty()) return false;
    return numberPrefix(t) == t.size();
}

double toDouble(std::string_view text) {
    std::string t = trim(text);
    const std::size_t len = numberPrefix(t);
    if (t.empty() || len != t.size()) throw NumberedError::platform(PlatformErrors::TYPE_MISMATCH);
    const double v = parsePrefix(t, len);
    if (std::isinf(v)) throw NumberedError::platform(PlatformErrors::OVERFLOW_ERROR);
    return v;
}

double val(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start]))) ++start;
    std::string_view rest = text.substr(start);
    const std::size_t len = numberPrefix(rest);
    return len == 0 ? 0.0 : parsePrefix(rest, len);
}

std::string toText(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
    if (value == 0) return "0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", value);  // 15 significant digits
    // Split mantissa and exponent, then decide the form from the rounded value.
    std::string s(buf);
    const auto epos = s.find('e');
    std::string mantissa = s.substr(0, epos);
    const int exponent = std::atoi(s.c_str() + epos + 1);
    std::string digits;
    for (char c : mantissa)
        if (std::isdigit(static_cast<unsigned char>(c))) digits += c;
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    const bool negative = value < 0;
    std::string out = negative ? "-" : "";
    if (exponent >= 15 || exponent < -4) {
        out += digits.substr(0, 1);
        if (digits.size() > 1) out += "." + digits.substr(1);
        char e[16];
        std::snprintf(e, sizeof e, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
        return out + e;
    }
    if (exponent < 0) {
        out += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    } else if (static_cast<int>(digits.size()) <= exponent + 1) {
        out += digits + std::string(static_cast<std::size_t>(exponent + 1) - digits.size(), '0');
    } else {
        out += digits.substr(0, static_cast<std::size_t>(exponent + 1)) + "." +
               digits.substr(static_cast<std::size_t>(exponent + 1));
    }
    return out;
}

std::string formatDateTime(DateTime time) {
    const std::time_t t = std::chrono::system_clock::to_time_t(time);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

std::string formatTimeOfDay(DateTime time) {
    const std::time_t t = std::chrono::system_clock::to_time_t(time);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[16];
    std::strftime(buf, sizeof buf, "%H:%M:%S", &tm);
    return buf;
}

std::string trim(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && text[b] == ' ') ++b;
    while (e > b && text[e - 1] == ' ') --e;
    return std::string(text.substr(b, e - b));
}

std::string toLowerAscii(std::string_view text) {
    std::string s(text);
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string toUpperAscii(std::string_view text) {
    std::string s(text);
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

}  // namespace vek
