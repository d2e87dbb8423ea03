#pragma once
#include <string>

namespace vek {

// Network address helpers shared by the Ethernet board and the peripherals
// (and offered to hosts through Utils).

// "192.168.1.5" -> "192.168.001.005"; empty unless four parts of 0..255.
std::string getNormalizedEthernetAddress(const std::string& address);
bool isValidIP(const std::string& ip);

// The numeric address of `host` ("192.168.1.5", "::1", or a name the
// resolver knows), within `seconds`: a name server that does not answer
// must not hold the caller longer. Empty when the name is unknown or the
// time ran out (the lookup then ends on a thread of its own).
std::string resolveHost(const std::string& host, double seconds);

}  // namespace vek
