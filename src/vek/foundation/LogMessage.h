#pragma once
#include <cstdint>
#include <string>

#include "vek/foundation/Convert.h"

namespace vek {

// A plain record a host may use to hold one log entry; vek never fills one.
class LogMessage {
public:
    int32_t key() const { return key_; }
    void setKey(int32_t v) { key_ = v; }
    int16_t source() const { return source_; }
    void setSource(int16_t v) { source_ = v; }
    const std::string& code() const { return code_; }
    void setCode(const std::string& v) { code_ = v; }
    int16_t level() const { return level_; }
    void setLevel(int16_t v) { level_ = v; }
    const std::string& description() const { return description_; }
    void setDescription(const std::string& v) { description_ = v; }
    DateTime time() const { return time_; }
    void setTime(DateTime v) { time_ = v; }
    int16_t status() const { return status_; }
    void setStatus(int16_t v) { status_ = v; }

private:
    int32_t key_ = 0;
    int16_t source_ = 0;
    std::string code_;
    int16_t level_ = 0;
    std::string description_;
    DateTime time_{};
    int16_t status_ = 0;
};

}  // namespace vek
