#pragma once
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "vek/comm/engine/LineTransport.h"
#include "vek/comm/engine/MotorEngine.h"

namespace vek::bench {

// A motor at the far end of two pipes, on a thread of its own, for measuring
// the engine without line time: it passes bytes back once "0ECHO" has gone
// by, answers every "RP" with "-12345" and every host-mode point with 31
// free buffer places.
class PipePeer {
public:
    PipePeer() {
        // The peer may still echo when the engine has closed its end.
        std::signal(SIGPIPE, SIG_IGN);
        if (::pipe(toPeer_) != 0 || ::pipe(toEngine_) != 0) throw std::runtime_error("no pipes for the peer");
        thread_ = std::thread([this] { serve(); });
    }
    ~PipePeer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        for (int fd : {toPeer_[0], toEngine_[1]})
            if (fd >= 0) ::close(fd);
    }
    PipePeer(const PipePeer&) = delete;
    PipePeer& operator=(const PipePeer&) = delete;

    // Opens `engine` on the engine's side of the pipes (the line owns those
    // two ends) and turns the peer's echo on.
    void open(MotorEngine& engine) {
        engine.openLine(FdLine::overPipes(toEngine_[0], toPeer_[1]));
        engine.sendCommand("0ECHO");
    }

private:
    void serve() {
        bool echo = false;
        std::string command;
        char buffer[512];
        while (!stop_) {
            pollfd p{toPeer_[0], POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            const ssize_t n = ::read(toPeer_[0], buffer, sizeof buffer);
            if (n <= 0) return;
            std::string back;
            for (ssize_t i = 0; i < n; ++i) {
                const char c = buffer[i];
                if (echo) back += c;
                if (static_cast<unsigned char>(c) >= 0x80) {
                    command.clear();
                } else if (c != '\r') {
                    command += c;
                } else {
                    if (command == "ECHO") echo = true;
                    if (command.ends_with("RP")) back += "-12345\r";
                    if (command.starts_with("HA") || command.starts_with("HP")) back += '_';
                    command.clear();
                }
            }
            if (!back.empty() && ::write(toEngine_[1], back.data(), back.size()) < 0) return;
        }
    }

    int toPeer_[2] = {-1, -1};
    int toEngine_[2] = {-1, -1};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace vek::bench
