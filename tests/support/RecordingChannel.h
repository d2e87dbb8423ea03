#pragma once
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "vek/comm/ICommunication.h"

namespace vek::test {

// A command channel for tests: records every command text in order, answers
// queries from a script, and can make time pass on the manual clock with
// every query, as a real chain takes time to answer.
//
// Answers for a command text (motor number included, "1RP") come from, in
// order: the once-only answers queued with answerOnce, the responder
// function, the standing answer set with answer, and finally the default
// answer (empty unless changed).
class RecordingChannel : public ICommunication {
public:
    // Marks a clearBuffer call in trace().
    static constexpr const char* kClear = "<clear>";

    // --- script ---
    void answer(const std::string& command, const std::string& text) { standing_[command] = text; }
    void answerOnce(const std::string& command, std::initializer_list<std::string> texts);
    void setDefaultAnswer(const std::string& text) { defaultAnswer_ = text; }
    // Returns an answer, or nothing to fall through to the standing answers.
    void setResponder(std::function<std::optional<std::string>(const std::string&)> responder) {
        responder_ = std::move(responder);
    }
    // The next query of `command` raises `error` instead of answering.
    void failOnce(const std::string& command, const std::exception_ptr& error) { failures_[command] = error; }
    // Each query moves the manual clock by this much (nothing without one).
    void setSecondsPerQuery(double seconds) { secondsPerQuery_ = seconds; }
    // Answers that ReadResponse hands out, oldest first.
    void queueResponse(const std::string& text) { pending_.push_back(text); }
    void setMotorCount(int16_t count) { motorCount_ = count; }

    // --- what happened ---
    // Command texts of WriteCommand and getResponseOf, in order.
    const std::vector<std::string>& commands() const { return commands_; }
    // The same with kClear where the buffer was cleared.
    const std::vector<std::string>& trace() const { return trace_; }
    // Other channel calls as text: "forceUpload 2 f.txt", "OpenPort COM1 9600".
    const std::vector<std::string>& calls() const { return calls_; }
    int queryCount() const { return queries_; }
    // Benchmarks switch recording off so that memory stays flat.
    void setRecording(bool on) { recording_ = on; }
    void clear();

    // --- ICommunication ---
    std::shared_ptr<MotorEngine> getObject() override { return nullptr; }
    int16_t initMotors(int32_t maxMotors = NOT_GIVEN) override;
    void forceUpload(int32_t Index, const std::string& fileName) override;
    void download(int32_t Index, const std::string& fileName) override;
    void OpenPort(const std::string& portName, int32_t baudRate) override;
    void setBaudRate(int32_t baudRate) override;
    int32_t baudRate() override { return baudRate_; }
    void ClosePort() override {
        calls_.push_back("ClosePort");
        closed_ = true;
    }
    bool isOpen() override { return !closed_; }
    void clearBuffer() override;
    void WriteCommand(const std::string& command) override;
    std::string ReadResponse() override;
    std::string getResponseOf(const std::string& command) override;
    std::string portName() override { return portName_; }
    std::shared_ptr<MotorEngineMotor> getMotor(int32_t Index) override;

private:
    std::string answerFor(const std::string& command);

    std::map<std::string, std::string> standing_;
    std::map<std::string, std::deque<std::string>> once_;
    std::map<std::string, std::exception_ptr> failures_;
    std::function<std::optional<std::string>(const std::string&)> responder_;
    bool closed_ = false;
    std::string defaultAnswer_;
    std::deque<std::string> pending_;
    double secondsPerQuery_ = 0;
    int16_t motorCount_ = 0;
    int32_t baudRate_ = 9600;
    std::string portName_;

    std::vector<std::string> commands_;
    std::vector<std::string> trace_;
    std::vector<std::string> calls_;
    int queries_ = 0;
    bool recording_ = true;
};

}  // namespace vek::test
