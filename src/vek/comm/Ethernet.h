#pragma once
#include <cstdint>
#include <string>

#include "vek/foundation/Convert.h"

namespace vek {

namespace EthernetConstants {
enum Value : int32_t {
    UDP_DSP_PORT = 2003,   // UDP port of the board
    TCP_DSP_PORT = 2001,   // TCP port of the board
    UDP_HOST_PORT = 2007,  // UDP port on the host side
};
}  // namespace EthernetConstants

// The messages that find and configure an Ethernet controller board (a TI
// F2812 DSP). One process-wide instance, made at start-up and handed out by
// Server. The envelope of the wire format is not defined yet: it leaves a
// message as it is.
class Ethernet {
public:
    Ethernet();
    ~Ethernet();
    Ethernet(const Ethernet&) = delete;
    Ethernet& operator=(const Ethernet&) = delete;

    std::string applyEnvelope(const std::string& cmd) const { return cmd; }
    // The discovery request "HELLO F2812?".
    std::string getProvisioningProtocol() const { return applyEnvelope("HELLO F2812?"); }
    // "CONF" and the four addresses as text, with no separator anywhere.
    template <typename Mac, typename Ip, typename Netmask, typename Gateway>
    std::string getConfigurationProtocol(const Mac& mac_address, const Ip& ip_address, const Netmask& netmask_address,
                                         const Gateway& gateway_address) const {
        return applyEnvelope("CONF" + toText(mac_address) + toText(ip_address) + toText(netmask_address) +
                             toText(gateway_address));
    }
};

}  // namespace vek
