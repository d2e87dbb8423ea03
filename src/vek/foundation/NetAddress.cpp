#include "vek/foundation/NetAddress.h"

#include <cstdio>

#include "vek/foundation/Convert.h"
#include "vek/foundation/NumberedError.h"
#include "vek/foundation/Text.h"

namespace vek {

namespace {
// One part of an Ethernet address as a number 0..255.
int unsignedBytePart(const std::string& part) {
    double v = 0;
    try {
        v = toDouble(part);
    } catch (const NumberedError&) {
        raiseInvalidArgument("Number is not unsigned byte");
    }
    if (!(v >= 0 && v <= 255)) raiseInvalidArgument("Number is not unsigned byte");
    return toInt32(v);
}
}  // namespace

std::string getNormalizedEthernetAddress(const std::string& address) {
    const auto parts = splitTokens(address, ".");
    if (parts.size() != 4) return {};
    std::string out;
    try {
        for (const auto& part : parts) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "%03d", unsignedBytePart(part));
            if (!out.empty()) out += '.';
            out += buf;
        }
    } catch (const NumberedError&) {
        return {};  // a part outside 0..255 makes no address
    }
    return out;
}

bool isValidIP(const std::string& ip) {
    const std::string t = trim(ip);
    return !t.empty() && !getNormalizedEthernetAddress(t).empty();
}

}  // namespace vek
