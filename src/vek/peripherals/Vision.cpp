#include "vek/peripherals/Vision.h"

#include <fcntl.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "vek/foundation/Convert.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NetAddress.h"
#include "vek/foundation/Text.h"

namespace vek {

namespace {
constexpr double kConnectTimeout = 2.0;
// How long one pass of a wait may block for the socket under a system clock.
constexpr double kPollPeriod = 0.001;
constexpr std::size_t kReadSize = 65536;

std::string cognexRow(int16_t row) {
    const std::string digits = std::to_string(row);
    return std::string(3 - digits.size(), '0') + digits;
}
}  // namespace

Vision::Vision() {
    logAt(LogLevel::DEVELOPER, "Initializing vek.Vision");
}

Vision::~Vision() {
    close();
    logAt(LogLevel::DEVELOPER, "Terminating vek.Vision");
}

bool Vision::ConnectCognex(const std::string& host, int16_t port, const std::string& User,
                           const std::string& password) {
    return connect(host, port, User, password, 1);
}

bool Vision::ConnectDVT(const std::string& host, int16_t port, const std::string& User, const std::string& password) {
    return connect(host, port, User, password, 0);
}

bool Vision::connect(const std::string& host, int16_t port, const std::string& User, const std::string& password,
                     int16_t mode) {
    mode_ = mode;
    close();
    connectTimer_ = eventLoop().startTimer(kConnectTimeout, [this] { onConnectTimer(); });
    busy_ = true;
    // A connect that cannot even start fails as one that is refused: the
    // timer decides.
    startConnect(host, static_cast<uint16_t>(port));
    waitWhileBusy();
    if (connected_ && !User.empty() && !password.empty()) {
        sendAndWait(User, 0);
        sendAndWait(password, 0);
    }
    if (!connected_) close();
    return connected_;
}

bool Vision::startConnect(const std::string& host, uint16_t port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    // A name server that does not answer holds the connect no longer than its timer.
    const std::string numeric = resolveHost(host, kConnectTimeout);
    if (numeric.empty()) {
        logAt(LogLevel::DEVELOPER, "Vision: cannot resolve " + host);
        return false;
    }
    if (const int rc = ::getaddrinfo(numeric.c_str(), service.c_str(), &hints, &found); rc != 0) {
        logAt(LogLevel::DEVELOPER, "Vision: cannot resolve " + host + " (" + ::gai_strerror(rc) + ")");
        return false;
    }
    const addrinfo* address = found;
    fd_ = ::socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address->ai_protocol);
    int rc = -1;
    if (fd_ >= 0) rc = ::connect(fd_, address->ai_addr, address->ai_addrlen);
    const int error = errno;
    ::freeaddrinfo(found);
    if (fd_ < 0 || (rc != 0 && error != EINPROGRESS)) {
        logAt(LogLevel::DEVELOPER,
              "Vision: cannot connect to " + host + ":" + service + " (" + std::strerror(error) + ")");
        closeSocket();
        return false;
    }
    writeWatch_ = eventLoop().watchWritable(fd_, [this] { onWritable(); });
    return true;
}

void Vision::onWritable() {
    eventLoop().unwatch(writeWatch_);
    writeWatch_ = 0;
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
    if (error != 0) {
        logAt(LogLevel::DEVELOPER, std::string("Vision: the connection failed (") + std::strerror(error) + ")");
        closeSocket();
        return;
    }
    onConnected();
}

void Vision::onConnected() {
    stopTimer(connectTimer_);
    connected_ = true;
    busy_ = false;
    readWatch_ = eventLoop().watchReadable(fd_, [this] { onReadable(); });
    logAt(LogLevel::info, "Connection to the vision system is established!");
}

void Vision::stopTimer(EventLoop::TimerId& timer) {
    if (timer) eventLoop().stopTimer(timer);
    timer = 0;
}

void Vision::onConnectTimer() {
    stopTimer(connectTimer_);
    connected_ = false;
    busy_ = false;
    logAt(LogLevel::Error, "Attempt to connect to the vision system failed!");
}

void Vision::onAnswerTimer() {
    close();
    lastResponse_.clear();
    busy_ = false;
    logAt(LogLevel::Error, "The vision system did not answer within " + toText(answerTimeout_) + " s.");
}

void Vision::onReadable() {
    std::string text(kReadSize, '\0');
    const ssize_t n = ::recv(fd_, text.data(), text.size(), 0);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
    if (n <= 0) {
        const std::string cause = n == 0 ? std::string("closed") : std::strerror(errno);
        close();
        if (!received_.empty()) {
            // Cut off mid-answer: the part that came is the answer.
            onDataArrival(std::exchange(received_, {}));
        } else {
            // No answer came for the command that waits: it sees none.
            lastResponse_.clear();
            busy_ = false;
        }
        logAt(LogLevel::Error, "The vision system closed the connection (" + cause + ").");
        return;
    }
    received_.append(text.data(), static_cast<std::size_t>(n));
    if (answerComplete()) onDataArrival(std::exchange(received_, {}));
}

bool Vision::answerComplete() const {
    if (mode_ != 1 || expectedLines_ == 0) return true;
    const std::size_t statusEnd = received_.find('\n');
    if (statusEnd == std::string::npos) return false;
    std::string_view status(received_.data(), statusEnd);
    if (status.ends_with('\r')) status.remove_suffix(1);
    if (expectedLines_ == 1 || status != "1") return true;
    return received_.find('\n', statusEnd + 1) != std::string::npos;
}

void Vision::onDataArrival(const std::string& text) {
    logAt(LogLevel::info, "Vision response string " + text);
    const std::vector<std::string> lines = splitTokens(text, "\r\n");
    lastResponse_.clear();
    succeeded_ = false;
    if (mode_ == 1 && !lines.empty()) {
        const std::string& status = lines[0];
        if (status == "-1" || status == "-2") {
            logAt(LogLevel::info, "Vision - command unsuccessful");
        } else if (status == "0") {
            logAt(LogLevel::info, "Vision - command unknown");
        } else if (status == "1") {
            logAt(LogLevel::info, "Vision - command successful");
            succeeded_ = true;
            if (lines.size() > 1) lastResponse_ = lines[1];
        } else {
            logAt(LogLevel::info, "Vision - " + status);
        }
    }
    busy_ = false;
}

bool Vision::ProcessCognex() {
    logAt(LogLevel::info, "Acquiring and processing image for Congex vision system");
    succeeded_ = false;
    sendAndWait("SE8", 1);
    return succeeded_;
}

bool Vision::ProcessDVT() {
    logAt(LogLevel::info, "Acquiring and processing image for DVT vision system");
    return false;
}

std::string Vision::GetDVTValue(const std::string& key) {
    mode_ = 0;
    received_.clear();
    expectedLines_ = 0;
    busy_ = true;
    if (!send(key)) busy_ = false;
    return lastResponse_;
}

std::string Vision::GetCognexValue(const std::string& col, int16_t row) {
    mode_ = 1;
    if (row < 0 || row > 399) {
        logAt(LogLevel::Error, "Row (0-399) is out of bound");
        return {};
    }
    const std::string command = "gv" + col + cognexRow(row);
    logAt(LogLevel::DEVELOPER, [&] { return "Executing command " + command; });
    sendAndWait(command, 2);
    return lastResponse_;
}

bool Vision::send(const std::string& text) {
    if (!connected_) {
        logAt(LogLevel::Error, "The vision system is not connected: " + text + " is not sent.");
        return false;
    }
    const std::string line = text + "\r\n";
    std::size_t sent = 0;
    while (sent < line.size()) {
        const ssize_t n = ::send(fd_, line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const std::string cause = n < 0 ? std::strerror(errno) : "nothing written";
            close();
            logAt(LogLevel::Error, "Sending to the vision system failed (" + cause + ").");
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

void Vision::sendAndWait(const std::string& text, int expectedLines) {
    received_.clear();
    expectedLines_ = expectedLines;
    busy_ = true;
    if (!send(text)) {
        busy_ = false;
        return;
    }
    if (answerTimeout_ > 0) answerTimer_ = eventLoop().startTimer(answerTimeout_, [this] { onAnswerTimer(); });
    waitWhileBusy();
    stopTimer(answerTimer_);
}

void Vision::waitWhileBusy() {
    while (busy_) eventLoop().wait(kPollPeriod);
}

void Vision::close() {
    stopTimer(connectTimer_);
    stopTimer(answerTimer_);
    closeSocket();
}

void Vision::closeSocket() {
    if (writeWatch_) eventLoop().unwatch(writeWatch_);
    if (readWatch_) eventLoop().unwatch(readWatch_);
    writeWatch_ = readWatch_ = 0;
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    connected_ = false;
}

}  // namespace vek
