#include "vek/persistence/SlideData.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace vek {

namespace {
// One decimal, halves rounded away from zero on the decimal digits the user
// typed: printing six decimals first absorbs the binary error, so 0.25 gives
// 0.3 and 1.15 gives 1.2 as they would on paper.
std::string oneDecimal(double value) {
    const double magnitude = std::fabs(value);
    char buf[64];
    if (!(magnitude < 1e12)) {
        std::snprintf(buf, sizeof buf, "%.1f", value);
        return buf;
    }
    std::snprintf(buf, sizeof buf, "%.6f", magnitude);
    long long micro = 0;
    for (const char* p = buf; *p; ++p)
        if (*p != '.') micro = micro * 10 + (*p - '0');
    const long long tenths = (micro + 50000) / 100000;
    std::snprintf(buf, sizeof buf, "%s%lld.%lld", (value < 0 && tenths != 0) ? "-" : "", tenths / 10, tenths % 10);
    return buf;
}
}  // namespace

std::string SlideData::getPitchDisplay() const {
    const std::string p = oneDecimal(pitch_);
    if (model_ == "JP65") {
        if (pitch_ == 10) return p + " (L)";
        if (pitch_ == 19.05) return p + " (M .75\")";
        if (pitch_ == 38.1) return p + " (H 1.5\")";
        return {};
    }
    if (model_ == "JP90") {
        if (pitch_ == 10) return p + " (L)";
        if (pitch_ == 16) return p + " (M)";
        if (pitch_ == 38.1) return p + " (H 1.5\")";
        return {};
    }
    return p;
}

}  // namespace vek
