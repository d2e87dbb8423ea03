#include "support/RecordingChannel.h"

#include "vek/foundation/EventLoop.h"

namespace vek::test {

void RecordingChannel::answerOnce(const std::string& command, std::initializer_list<std::string> texts) {
    auto& queue = once_[command];
    queue.insert(queue.end(), texts.begin(), texts.end());
}

void RecordingChannel::clear() {
    commands_.clear();
    trace_.clear();
    calls_.clear();
    queries_ = 0;
}

int16_t RecordingChannel::initMotors(int32_t maxMotors) {
    calls_.push_back("initMotors " + std::to_string(maxMotors));
    return motorCount_;
}

void RecordingChannel::forceUpload(int32_t Index, const std::string& fileName) {
    calls_.push_back("forceUpload " + std::to_string(Index) + " " + fileName);
}

void RecordingChannel::download(int32_t Index, const std::string& fileName) {
    calls_.push_back("download " + std::to_string(Index) + " " + fileName);
}

void RecordingChannel::OpenPort(const std::string& portName, int32_t baudRate) {
    portName_ = portName;
    baudRate_ = baudRate;
    calls_.push_back("OpenPort " + portName + " " + std::to_string(baudRate));
}

void RecordingChannel::setBaudRate(int32_t baudRate) {
    baudRate_ = baudRate;
    calls_.push_back("baudRate " + std::to_string(baudRate));
}

void RecordingChannel::clearBuffer() {
    pending_.clear();
    if (recording_) trace_.emplace_back(kClear);
}

void RecordingChannel::WriteCommand(const std::string& command) {
    if (!recording_) return;
    commands_.push_back(command);
    trace_.push_back(command);
}

std::string RecordingChannel::ReadResponse() {
    if (pending_.empty()) return {};
    std::string text = std::move(pending_.front());
    pending_.pop_front();
    return text;
}

std::string RecordingChannel::getResponseOf(const std::string& command) {
    if (recording_) {
        commands_.push_back(command);
        trace_.push_back(command);
    }
    ++queries_;
    if (secondsPerQuery_ > 0)
        if (auto* clock = eventLoop().manualClock()) clock->advance(secondsPerQuery_);
    if (auto failure = failures_.find(command); failure != failures_.end()) {
        const std::exception_ptr error = failure->second;
        failures_.erase(failure);
        std::rethrow_exception(error);
    }
    return answerFor(command);
}

std::string RecordingChannel::answerFor(const std::string& command) {
    if (auto queue = once_.find(command); queue != once_.end() && !queue->second.empty()) {
        std::string text = std::move(queue->second.front());
        queue->second.pop_front();
        return text;
    }
    if (responder_)
        if (auto text = responder_(command)) return *text;
    if (auto standing = standing_.find(command); standing != standing_.end()) return standing->second;
    return defaultAnswer_;
}

std::shared_ptr<MotorEngineMotor> RecordingChannel::getMotor(int32_t Index) {
    calls_.push_back("getMotor " + std::to_string(Index));
    return nullptr;
}

}  // namespace vek::test
