#include "vek/peripherals/ChildReader.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

// Present when vek runs under a sanitizer (tests, fuzzing).
extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

namespace vek {

namespace {

int readerSeconds = 30;

// In the child: what the reader says, and what a sanitizer reports of it,
// is no news to vek, which refuses the file when the child fails; a
// fuzzer's crash handler must not take the child for a finding either.
void quietChild() {
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null >= 0) {
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::close(null);
    }
    if (__sanitizer_set_death_callback) __sanitizer_set_death_callback(nullptr);
}

void writeAll(int fd, const std::string& bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ::_exit(1);
        written += static_cast<std::size_t>(n);
    }
}

// Reads until the child closes the pipe; false when that takes longer than
// `seconds`.
bool readAll(int fd, std::string& bytes, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    char buffer[65536];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return true;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

}  // namespace

int childReaderSeconds() {
    return readerSeconds;
}

void setChildReaderSeconds(int seconds) {
    readerSeconds = seconds > 0 ? seconds : 30;
}

std::optional<std::string> runInChild(const std::function<std::string()>& work, int seconds) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
    // A drawing's lines come back in megabytes: a wider pipe takes them in
    // fewer hand-overs between the two processes (the default stays when
    // the system refuses).
    ::fcntl(fds[1], F_SETPIPE_SZ, 1 << 20);
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return std::nullopt;
    }
    if (child == 0) {
        // No exit handlers, no flushing of the parent's buffers.
        ::close(fds[0]);
        quietChild();
        try {
            writeAll(fds[1], work());
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string bytes;
    const bool finished = readAll(fds[0], bytes, seconds);
    ::close(fds[0]);
    if (!finished) ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!finished || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return bytes;
}

}  // namespace vek
