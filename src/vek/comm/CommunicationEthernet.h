#pragma once
#include <memory>

#include "vek/comm/CommunicationSimulation.h"

namespace vek {

// The channel to motors behind an Ethernet controller board. The board's
// transport is not built yet: until it is, this channel answers exactly as
// the simulated one (same parser, queue and messages), only under its own
// name and with the engine's timing settings left as the engine made them.
class CommunicationEthernet : public CommunicationSimulation {
public:
    explicit CommunicationEthernet(std::shared_ptr<ISimulatedChain> chain = nullptr)
        : CommunicationSimulation(std::move(chain), "CommunicationEthernet", false) {}
};

}  // namespace vek
