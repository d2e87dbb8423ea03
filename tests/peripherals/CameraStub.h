#pragma once
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ModbusPeers.h"

namespace vek::test {

// A camera on loopback, in a thread of its own: accepts connections one
// after another, reads CR LF lines and sends back what `reply` gives for
// each line (nothing for an empty text). A reply ending in kHangUp is sent
// without that marker and the connection is closed after it; kPause inside a
// reply sends it in two pieces, 20 ms apart. Every wait is
// bounded, so a test that goes wrong cannot hang on the stub.
class CameraStub {
public:
    static constexpr const char* kHangUp = "<hang up>";
    static constexpr const char* kPause = "<pause>";

    explicit CameraStub(std::function<std::string(const std::string&)> reply)
        : reply_(std::move(reply)), thread_([this] { serve(); }) {}
    ~CameraStub() {
        stop_ = true;
        thread_.join();
    }
    CameraStub(const CameraStub&) = delete;
    CameraStub& operator=(const CameraStub&) = delete;

    int16_t port() const { return static_cast<int16_t>(listener_.port); }
    // The lines received so far, "|"-joined.
    std::string received() const {
        std::lock_guard<std::mutex> lock(mutex_);
        std::string text;
        for (const auto& line : received_) text += (text.empty() ? "" : "|") + line;
        return text;
    }

private:
    bool readable(int fd) const {
        while (!stop_) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0) return true;
        }
        return false;
    }

    void serve() {
        while (readable(listener_.fd)) {
            const int client = ::accept(listener_.fd, nullptr, nullptr);
            if (client >= 0) {
                converse(client);
                ::close(client);
            }
        }
    }

    void converse(int client) {
        std::string pending;
        char buffer[4096];
        while (readable(client)) {
            const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0) return;
            pending.append(buffer, static_cast<std::size_t>(n));
            for (auto end = pending.find("\r\n"); end != std::string::npos; end = pending.find("\r\n")) {
                const std::string line = pending.substr(0, end);
                pending.erase(0, end + 2);
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    received_.push_back(line);
                }
                std::string answer = reply_(line);
                const bool hangUp = answer.ends_with(kHangUp);
                if (hangUp) answer.resize(answer.size() - std::string(kHangUp).size());
                for (auto pause = answer.find(kPause); pause != std::string::npos; pause = answer.find(kPause)) {
                    ::send(client, answer.data(), pause, MSG_NOSIGNAL);
                    answer.erase(0, pause + std::string(kPause).size());
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                }
                if (!answer.empty()) ::send(client, answer.data(), answer.size(), MSG_NOSIGNAL);
                if (hangUp) return;
            }
        }
    }

    std::function<std::string(const std::string&)> reply_;
    Listener listener_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> received_;
    std::thread thread_;
};

}  // namespace vek::test
