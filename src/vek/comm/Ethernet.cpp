#include "vek/comm/Ethernet.h"

#include "vek/foundation/Log.h"

namespace vek {

Ethernet::Ethernet() {
    logAt(LogLevel::DEVELOPER, "Initializing vek.Ethernet");
}

Ethernet::~Ethernet() {
    logAt(LogLevel::DEVELOPER, "Terminating vek.Ethernet");
}

}  // namespace vek
