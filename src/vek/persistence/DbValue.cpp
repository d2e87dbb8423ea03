#include "vek/persistence/DbValue.h"

#include "vek/foundation/Convert.h"
#include "vek/foundation/NumberedError.h"

namespace vek {

namespace {
[[noreturn]] void raiseNull() {
    throw NumberedError(DbValue::INVALID_USE_OF_NULL, "Invalid use of Null");
}
}  // namespace

double DbValue::toDouble() const {
    if (auto* i = std::get_if<int64_t>(&value_)) return static_cast<double>(*i);
    if (auto* d = std::get_if<double>(&value_)) return *d;
    if (auto* s = std::get_if<std::string>(&value_)) return vek::toDouble(*s);
    raiseNull();
}

int32_t DbValue::toInt32() const {
    return vek::toInt32(toDouble());
}

int16_t DbValue::toInt16() const {
    return vek::toInt16(toDouble());
}

std::string DbValue::toText() const {
    if (auto* i = std::get_if<int64_t>(&value_)) return std::to_string(*i);
    if (auto* d = std::get_if<double>(&value_)) return vek::toText(*d);
    if (auto* s = std::get_if<std::string>(&value_)) return *s;
    raiseNull();
}

std::string DbValue::textOr(const std::string& fallback) const {
    return isNull() ? fallback : toText();
}

}  // namespace vek
