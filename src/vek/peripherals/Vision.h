#pragma once
#include <cstdint>
#include <string>

#include "vek/foundation/EventLoop.h"

namespace vek {

// One camera-based vision system over TCP: a Cognex camera in its native
// text mode or a DVT camera. Connects (2 s connect timer), logs in when
// asked, triggers an acquisition and reads result values. The socket is
// non-blocking and watched by the event loop, so every wait here keeps the
// host's events serviced and runs in virtual time under a manual clock.
//
// Every answer that arrives is handled as it comes: logged, split at CR LF,
// and in Cognex mode its status line read ("1" success, with the value on
// the next line). A wait for an answer ends when one arrives or when the
// camera closes the connection; like the camera's own control, it has no
// time limit unless the host sets one with setAnswerTimeout(). A camera that
// then stays silent is logged and its connection closed (a late answer would
// otherwise be taken for the answer to the next command).
class Vision {
public:
    Vision();
    ~Vision();
    Vision(const Vision&) = delete;
    Vision& operator=(const Vision&) = delete;

    // Cognex native mode. Logs in with User and password (each followed by
    // CR LF, each answer awaited) when both are given. True once connected.
    bool ConnectCognex(const std::string& host, int16_t port, const std::string& User = {},
                       const std::string& password = {});
    // DVT mode; otherwise as ConnectCognex.
    bool ConnectDVT(const std::string& host, int16_t port, const std::string& User = {},
                    const std::string& password = {});
    // Triggers an acquisition ("SE8") and waits for the answer; true when
    // the camera reports the command successful.
    bool ProcessCognex();
    // Not supported for DVT cameras: logs and answers false.
    bool ProcessDVT();
    // Sends `key` and returns the last value at once, without waiting.
    std::string GetDVTValue(const std::string& key);
    // The value of column `col`, row `row` (0-399) of the spreadsheet of a
    // Cognex camera ("gv" + col + the row in three digits); empty text
    // (logged) for a row out of bounds.
    std::string GetCognexValue(const std::string& col, int16_t row);

    bool connected() const { return connected_; }
    bool busy() const { return busy_; }
    // 1 Cognex, 0 DVT.
    int16_t mode() const { return mode_; }
    const std::string& lastResponse() const { return lastResponse_; }
    // Seconds a command waits for its answer (10 by default).
    double answerTimeout() const { return answerTimeout_; }
    void setAnswerTimeout(double seconds) { answerTimeout_ = seconds; }

    // --- library-internal ---
    // Closes the connection (nothing happens without one).
    void close();

private:
    bool connect(const std::string& host, int16_t port, const std::string& User, const std::string& password,
                 int16_t mode);
    // Starts a non-blocking connect; false when no connect could be started.
    bool startConnect(const std::string& host, uint16_t port);
    void onWritable();
    void onConnected();
    void onConnectTimer();
    void onAnswerTimer();
    void stopTimer(EventLoop::TimerId& timer);
    void onReadable();
    void onDataArrival(const std::string& text);
    // Whether `received_` holds the whole answer the waiting command expects.
    bool answerComplete() const;
    // Closes the socket; a running connect timer goes on.
    void closeSocket();
    bool send(const std::string& text);
    // Sends `text` and waits for its answer: `expectedLines` as above (0:
    // whatever arrives first).
    void sendAndWait(const std::string& text, int expectedLines);
    void waitWhileBusy();

    int fd_ = -1;
    EventLoop::WatchId readWatch_ = 0;
    EventLoop::WatchId writeWatch_ = 0;
    EventLoop::TimerId connectTimer_ = 0;
    EventLoop::TimerId answerTimer_ = 0;
    double answerTimeout_ = 0;  // seconds; 0: wait as long as it takes
    bool connected_ = false;
    bool busy_ = false;
    int16_t mode_ = 1;
    std::string lastResponse_;
    // What arrived of the answer so far: a camera may send it in pieces.
    std::string received_;
    // A Cognex command answers a status line, and a gv command with status
    // 1 a value line after it; a login prompt is taken as it comes.
    int expectedLines_ = 0;
    // Whether the last Cognex answer reported success.
    bool succeeded_ = false;
};

}  // namespace vek
