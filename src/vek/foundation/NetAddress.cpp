#include "vek/foundation/NetAddress.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <thread>

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

std::string resolveHost(const std::string& host, double seconds) {
    in6_addr numeric{};
    if (::inet_pton(AF_INET, host.c_str(), &numeric) == 1 || ::inet_pton(AF_INET6, host.c_str(), &numeric) == 1)
        return host;
    if (host.empty()) return {};
    std::packaged_task<std::string()> lookup([host] {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) return std::string();
        char text[INET6_ADDRSTRLEN] = {};
        const int rc = ::getnameinfo(found->ai_addr, found->ai_addrlen, text, sizeof text, nullptr, 0, NI_NUMERICHOST);
        ::freeaddrinfo(found);
        return rc == 0 ? std::string(text) : std::string();
    });
    auto answer = lookup.get_future();
    std::thread(std::move(lookup)).detach();
    if (answer.wait_for(std::chrono::duration<double>(seconds)) != std::future_status::ready) return {};
    return answer.get();
}

}  // namespace vek
