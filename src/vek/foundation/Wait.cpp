#include "vek/foundation/Wait.h"

#include "vek/foundation/EventLoop.h"

namespace vek {

void wait(double numberOfSeconds) {
    eventLoop().wait(numberOfSeconds);
}

}  // namespace vek
