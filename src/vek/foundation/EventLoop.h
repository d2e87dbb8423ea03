#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "vek/foundation/Clock.h"

namespace vek {

// The one message pump of the process. Every wait and polling loop of vek
// services it, so timers, sockets and the host's own events run while the
// library waits. Single-threaded: call it from the host's thread only.
class EventLoop {
public:
    using TimerId = uint64_t;
    using WatchId = uint64_t;

    EventLoop();

    const Clock& clock() const { return *clock_; }
    std::shared_ptr<Clock> clockPtr() const { return clock_; }
    // Replaces the clock; a ManualClock makes every wait run in virtual time.
    void setClock(std::shared_ptr<Clock> clock);
    // The manual clock in use, or null under the system clock.
    ManualClock* manualClock() const { return manual_; }
    double now() const { return clock_->now(); }

    // Runs posted tasks, due timers, ready descriptors and the host pump once
    // each. Under a manual clock it first moves time by one poll quantum, or to
    // the next due timer when that comes sooner.
    void processPendingEvents();

    // Returns after `seconds` of clock time, servicing events throughout.
    void wait(double seconds);

    // A repeating timer; the first call comes one interval from now.
    TimerId startTimer(double intervalSeconds, std::function<void()> callback);
    void stopTimer(TimerId id);
    bool isTimerActive(TimerId id) const { return timers_.count(id) != 0; }

    void post(std::function<void()> task);

    WatchId watchReadable(int fd, std::function<void()> callback);
    // Calls back while `fd` can be written or has failed: a connecting
    // socket becomes writable once its connection is made.
    WatchId watchWritable(int fd, std::function<void()> callback);
    void unwatch(WatchId id);

    // Called once per processPendingEvents(): the host's own message pump.
    void setHostPump(std::function<void()> pump) { hostPump_ = std::move(pump); }

private:
    struct Timer {
        double interval;
        double due;
        std::shared_ptr<std::function<void()>> callback;
        bool running = false;
    };
    struct Watch {
        int fd;
        short events;
        std::shared_ptr<std::function<void()>> callback;
    };

    double nextTimerDue() const;
    void runPosted();
    void runDueTimers();
    // Polls the watched descriptors, blocking at most `timeoutSeconds`.
    void pollDescriptors(double timeoutSeconds);
    void runHostPump();

    std::shared_ptr<Clock> clock_;
    ManualClock* manual_ = nullptr;
    std::map<TimerId, Timer> timers_;
    std::deque<std::function<void()>> posted_;
    std::map<WatchId, Watch> watches_;
    std::function<void()> hostPump_;
    uint64_t nextId_ = 0;
};

// The process-wide event loop; exists before start-up so tests can set the
// clock first.
EventLoop& eventLoop();

}  // namespace vek
