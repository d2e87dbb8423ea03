#pragma once

namespace vek {

// Blocks the calling thread for `numberOfSeconds` of event-loop time while the
// loop keeps running timers, sockets and the host's pump. wait(0) makes one
// pass over pending events.
void wait(double numberOfSeconds);

}  // namespace vek
