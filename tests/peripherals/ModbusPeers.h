#pragma once
// The other ends of vek's Modbus links for the peripherals tests: a real
// master (mbpoll) and an I/O coupler (pymodbus) run as separate processes, a
// raw master on a socket of the test's own thread.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "vek/foundation/EventLoop.h"

namespace vek::test {

using SteadyClock = std::chrono::steady_clock;

// A separate process whose output is collected while this thread keeps
// vek's event loop serviced (so that vek's slave answers it).
struct ProcessResult {
    int code = -1;
    std::string out;
};
class Process {
public:
    explicit Process(const std::vector<std::string>& args) {
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            dup2(out[1], 2);
            std::vector<char*> argv;
            for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        out_ = out[0];
        fcntl(out_, F_SETFL, O_NONBLOCK);
    }
    ~Process() { finish(); }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Its output so far, once it holds `text` or after `seconds`.
    std::string waitFor(const std::string& text, double seconds = 10) {
        const auto deadline = SteadyClock::now() + std::chrono::duration<double>(seconds);
        while (result_.out.find(text) == std::string::npos && SteadyClock::now() < deadline) {
            drain();
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        return result_.out;
    }
    void signal(int number) {
        if (pid_ > 0) kill(pid_, number);
    }
    // Its output and exit code; a process still running after 20 s is
    // killed (exit code -1).
    ProcessResult finish() {
        const auto deadline = SteadyClock::now() + std::chrono::seconds(20);
        int status = 0;
        while (pid_ > 0 && waitpid(pid_, &status, WNOHANG) != pid_) {
            if (SteadyClock::now() > deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                status = -1;
                break;
            }
            eventLoop().processPendingEvents();
            drain();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        if (pid_ > 0) result_.code = status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        pid_ = -1;
        drain();
        if (out_ >= 0) close(out_);
        out_ = -1;
        return result_;
    }

private:
    void drain() {
        char buffer[1024];
        for (ssize_t n; out_ >= 0 && (n = read(out_, buffer, sizeof buffer)) > 0;) result_.out.append(buffer, n);
    }
    pid_t pid_ = -1;
    int out_ = -1;
    ProcessResult result_;
};

// The values mbpoll printed ("[5]: \t1" lines) as "5=1 6=0".
inline std::string polled(const std::string& out) {
    std::string values;
    std::size_t at = 0;
    while ((at = out.find("\n[", at)) != std::string::npos) {
        const std::size_t close = out.find("]:", at);
        const std::size_t end = out.find('\n', close);
        if (close == std::string::npos || end == std::string::npos) break;
        std::string value = out.substr(close + 2, end - close - 2);
        value.erase(0, value.find_first_not_of(" \t"));
        values += (values.empty() ? "" : " ") + out.substr(at + 2, close - at - 2) + "=" + value;
        at = end;
    }
    return values;
}

// mbpoll once against vek's slave on loopback, in PDU addressing (-0);
// `values` (after the host) make it write.
inline std::vector<std::string> mbpollArgs(int port, const std::vector<std::string>& options,
                                           const std::vector<std::string>& values = {}) {
    std::vector<std::string> args{"mbpoll", "-m", "tcp", "-p", std::to_string(port), "-0", "-1", "-o", "2"};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back("127.0.0.1");
    args.insert(args.end(), values.begin(), values.end());
    return args;
}
inline ProcessResult mbpoll(int port, const std::vector<std::string>& options,
                            const std::vector<std::string>& values = {}) {
    return Process(mbpollArgs(port, options, values)).finish();
}

inline sockaddr_in loopback(int port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(port));
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return sa;
}

// A socket connected to the loopback `port`, or -1.
inline int connectTo(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in sa = loopback(port);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0) return fd;
    close(fd);
    return -1;
}

// A master speaking raw bytes from the test's own thread: what it sends is
// answered while receive() services vek's event loop.
class RawMaster {
public:
    explicit RawMaster(int port) : fd_(connectTo(port)) {}
    ~RawMaster() {
        if (fd_ >= 0) close(fd_);
    }
    RawMaster(const RawMaster&) = delete;
    RawMaster& operator=(const RawMaster&) = delete;

    void send(const std::vector<uint8_t>& bytes) { ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
    // One answer frame, closed() when the slave hung up, or nothing when
    // no answer came within `seconds`.
    std::vector<uint8_t> receive(double seconds = 2) {
        std::vector<uint8_t> in;
        const auto deadline = SteadyClock::now() + std::chrono::duration<double>(seconds);
        while (SteadyClock::now() < deadline) {
            eventLoop().processPendingEvents();
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 1) <= 0) continue;
            uint8_t buffer[300];
            const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
            if (n <= 0) return closed();
            in.insert(in.end(), buffer, buffer + n);
            if (in.size() >= 6 && in.size() >= 6u + ((in[4] << 8) | in[5])) return in;
        }
        return {};
    }
    static std::vector<uint8_t> closed() { return {0xDE, 0xAD}; }

private:
    int fd_ = -1;
};

// A request frame: transaction 0x0102, protocol 0, length, unit 1, `pdu`.
inline std::vector<uint8_t> frame(const std::vector<uint8_t>& pdu) {
    std::vector<uint8_t> f{0x01, 0x02, 0, 0, 0, static_cast<uint8_t>(pdu.size() + 1), 1};
    f.insert(f.end(), pdu.begin(), pdu.end());
    return f;
}

// A socket listening on a free loopback port that never accepts: a port in
// use, or a peer whose connections wait unanswered in the backlog.
struct Listener {
    Listener() {
        fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in sa = loopback(0);
        bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        listen(fd, 4);
        socklen_t length = sizeof sa;
        getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &length);
        port = ntohs(sa.sin_port);
    }
    ~Listener() { close(fd); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;
    int fd = -1;
    int port = 0;
};

// A loopback port that nothing listens on now.
inline int freePort() {
    return Listener().port;
}

// An I/O coupler played by pymodbus (coupler.py), a Modbus implementation of
// its own, as a separate process on loopback: discrete inputs and coils at
// addresses 0..63; `on` names those that start on ("i1" input 1, "c16" coil
// 16). ready() once it accepts connections.
class Coupler {
public:
    explicit Coupler(const std::vector<std::string>& on = {}, int port = freePort())
        : port_(port), process_(arguments(port, on)) {
        const auto deadline = SteadyClock::now() + std::chrono::seconds(10);
        while (!ready_ && SteadyClock::now() < deadline) {
            const int fd = connectTo(port_);
            ready_ = fd >= 0;
            if (ready_) close(fd);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ~Coupler() { process_.signal(SIGKILL); }
    bool ready() const { return ready_; }
    int port() const { return port_; }
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }

private:
    static std::vector<std::string> arguments(int port, const std::vector<std::string>& on) {
        std::vector<std::string> args{"/usr/bin/python3", std::string(VEK_SOURCE_DIR) + "/tests/peripherals/coupler.py",
                                      std::to_string(port)};
        args.insert(args.end(), on.begin(), on.end());
        return args;
    }
    int port_;
    Process process_;
    bool ready_ = false;
};

}  // namespace vek::test
