#include "vek/foundation/EventLoop.h"

#include <poll.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <limits>

namespace vek {

namespace {
constexpr double kNever = std::numeric_limits<double>::infinity();
// Longest a system-clock wait blocks without running the host pump.
constexpr double kHostPumpPeriod = 0.01;

timespec toTimespec(double seconds) {
    timespec ts{};
    if (seconds <= 0) return ts;
    ts.tv_sec = static_cast<time_t>(seconds);
    ts.tv_nsec = static_cast<long>((seconds - static_cast<double>(ts.tv_sec)) * 1e9);
    return ts;
}
}  // namespace

EventLoop::EventLoop() : clock_(std::make_shared<SystemClock>()) {}

void EventLoop::setClock(std::shared_ptr<Clock> clock) {
    if (!clock) clock = std::make_shared<SystemClock>();
    // Timers keep their remaining time across the change of clock.
    const double oldNow = clock_->now();
    clock_ = std::move(clock);
    manual_ = clock_->isManual() ? static_cast<ManualClock*>(clock_.get()) : nullptr;
    const double newNow = clock_->now();
    for (auto& [id, t] : timers_) t.due = t.due - oldNow + newNow;
}

EventLoop::TimerId EventLoop::startTimer(double intervalSeconds, std::function<void()> callback) {
    if (!(intervalSeconds > 1e-6)) intervalSeconds = 1e-6;
    const TimerId id = ++nextId_;
    timers_[id] =
        Timer{intervalSeconds, now() + intervalSeconds, std::make_shared<std::function<void()>>(std::move(callback))};
    return id;
}

void EventLoop::stopTimer(TimerId id) {
    timers_.erase(id);
}

void EventLoop::post(std::function<void()> task) {
    posted_.push_back(std::move(task));
}

EventLoop::WatchId EventLoop::watchReadable(int fd, std::function<void()> callback) {
    const WatchId id = ++nextId_;
    watches_[id] = Watch{fd, POLLIN, std::make_shared<std::function<void()>>(std::move(callback))};
    return id;
}

EventLoop::WatchId EventLoop::watchWritable(int fd, std::function<void()> callback) {
    const WatchId id = ++nextId_;
    watches_[id] = Watch{fd, POLLOUT, std::make_shared<std::function<void()>>(std::move(callback))};
    return id;
}

void EventLoop::unwatch(WatchId id) {
    watches_.erase(id);
}

double EventLoop::nextTimerDue() const {
    double next = kNever;
    for (const auto& [id, t] : timers_)
        if (!t.running) next = std::min(next, t.due);
    return next;
}

void EventLoop::runPosted() {
    // Tasks posted while these run wait for the next pass.
    std::deque<std::function<void()>> tasks;
    tasks.swap(posted_);
    for (auto& task : tasks) task();
}

void EventLoop::runDueTimers() {
    // Each due timer fires once per pass, earliest first.
    std::vector<std::pair<double, TimerId>> due;
    const double t = now();
    for (const auto& [id, timer] : timers_)
        if (!timer.running && timer.due <= t) due.emplace_back(timer.due, id);
    std::sort(due.begin(), due.end());
    for (const auto& [when, id] : due) {
        auto it = timers_.find(id);
        if (it == timers_.end() || it->second.running) continue;
        Timer& timer = it->second;
        timer.due += timer.interval;
        // A timer more than a period late restarts its rhythm instead of
        // firing a burst to catch up.
        if (timer.due <= now()) timer.due = now() + timer.interval;
        timer.running = true;
        auto callback = timer.callback;
        (*callback)();
        it = timers_.find(id);
        if (it != timers_.end()) it->second.running = false;
    }
}

void EventLoop::pollDescriptors(double timeoutSeconds) {
    if (watches_.empty()) {
        if (timeoutSeconds > 0) {
            timespec ts = toTimespec(timeoutSeconds);
            nanosleep(&ts, nullptr);
        }
        return;
    }
    std::vector<pollfd> fds;
    std::vector<WatchId> ids;
    for (const auto& [id, w] : watches_) {
        fds.push_back(pollfd{w.fd, w.events, 0});
        ids.push_back(id);
    }
    timespec ts = toTimespec(timeoutSeconds);
    const int n = ppoll(fds.data(), fds.size(), &ts, nullptr);
    if (n <= 0) return;
    for (std::size_t i = 0; i < fds.size(); ++i) {
        if ((fds[i].revents & (fds[i].events | POLLHUP | POLLERR)) == 0) continue;
        auto it = watches_.find(ids[i]);
        if (it == watches_.end()) continue;
        auto callback = it->second.callback;
        (*callback)();
    }
}

void EventLoop::runHostPump() {
    if (hostPump_) {
        auto pump = hostPump_;
        pump();
    }
}

void EventLoop::processPendingEvents() {
    if (manual_) {
        const double target = std::min(manual_->now() + manual_->pollQuantum(), nextTimerDue());
        manual_->advanceTo(target);
    }
    runPosted();
    runDueTimers();
    pollDescriptors(0);
    runHostPump();
}

void EventLoop::wait(double seconds) {
    if (!(seconds > 0)) seconds = 0;  // NaN and negative waits are no waits
    const double deadline = now() + seconds;
    do {
        if (manual_) manual_->advanceTo(std::min(nextTimerDue(), deadline));
        runPosted();
        runDueTimers();
        runHostPump();
        double block = 0;
        if (!manual_ && posted_.empty()) {
            block = std::min(nextTimerDue(), deadline) - now();
            if (hostPump_) block = std::min(block, kHostPumpPeriod);
        }
        pollDescriptors(std::max(0.0, block));
    } while (now() < deadline);
}

EventLoop& eventLoop() {
    static EventLoop loop;
    return loop;
}

}  // namespace vek
