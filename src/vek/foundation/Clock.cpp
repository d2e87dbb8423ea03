#include "vek/foundation/Clock.h"

namespace vek {

double SystemClock::now() const {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

DateTime SystemClock::wallNow() const {
    return std::chrono::system_clock::now();
}

DateTime ManualClock::wallNow() const {
    using namespace std::chrono;
    return wallStart_ + duration_cast<system_clock::duration>(duration<double>(now_));
}

}  // namespace vek
