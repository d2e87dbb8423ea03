#pragma once
#include <cstdint>
#include <string>

namespace vek {

namespace IOTypes {
enum Value : int32_t { DIGITAL_INPUT = 1, DIGITAL_OUTPUT = 2 };
}  // namespace IOTypes

namespace IOConstants {
enum Value : int32_t { IO_PER_BLOCK = 16 };
}  // namespace IOConstants

// One configured digital input or output of the external I/O device: a row of
// the IO table. `state` is what the simulated device keeps.
class IO {
public:
    int16_t key() const { return key_; }
    void setKey(int16_t v) { key_ = v; }
    int16_t number() const { return number_; }
    void setNumber(int16_t v) { number_ = v; }
    const std::string& name() const { return name_; }
    void setName(const std::string& v) { name_ = v; }
    int16_t ioType() const { return ioType_; }
    void setIoType(int16_t v) { ioType_ = v; }
    bool state() const { return state_; }
    void setState(bool v) { state_ = v; }

private:
    int16_t key_ = 0;
    int16_t number_ = 0;
    std::string name_;
    int16_t ioType_ = 0;
    bool state_ = false;
};

}  // namespace vek
