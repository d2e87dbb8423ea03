#include "vek/comm/PollingCommands.h"

namespace vek {

bool PollingCommands::isPolling(std::string_view command) {
    // Checked by hand rather than with a general wildcard matcher: every
    // command of every waiting loop passes through here.
    if (command.size() < 3) return false;
    const std::string_view body = command.substr(1);
    if (body.starts_with("RI") || body.starts_with("RO")) return true;
    return body == "RW" || body == "RP" || body == "RBt" || body == "Ry" || body == "y=TEMP";
}

}  // namespace vek
