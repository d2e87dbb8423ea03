#pragma once
#include <string>

namespace vek {

// Network address helpers shared by the Ethernet board and the peripherals
// (and offered to hosts through Utils).

// "192.168.1.5" -> "192.168.001.005"; empty unless four parts of 0..255.
std::string getNormalizedEthernetAddress(const std::string& address);
bool isValidIP(const std::string& ip);

}  // namespace vek
