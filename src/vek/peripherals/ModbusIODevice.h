#pragma once
#include <functional>
#include <memory>
#include <string>

#include "vek/peripherals/IIODevice.h"

namespace vek {

// An I/O coupler reached over Modbus TCP with libmodbus. The address is
// "host" (port 502) or "host:port". The device found is the one at that
// address, when it answers a Modbus request within the time-out (any answer
// counts, an exception response too). Input blocks are read as discrete
// inputs and output blocks as coils, both at address block * 16 + bit.
//
// Calls block the caller for at most the time-out each. A device that stops
// answering is closed and logged once; each later call answers "no device"
// at once until the retry interval has passed, then tries to reconnect.
class ModbusIODevice : public IIODevice {
public:
    struct Timing {
        double timeoutSeconds = 0.4;  // connect, and each request
        double retrySeconds = 1.0;    // between reconnection attempts
    };

    ModbusIODevice(std::string address, std::function<int16_t()> inputBlocks, Timing timing);
    ModbusIODevice(std::string address, std::function<int16_t()> inputBlocks)
        : ModbusIODevice(std::move(address), std::move(inputBlocks), Timing{}) {}
    ~ModbusIODevice() override;
    ModbusIODevice(const ModbusIODevice&) = delete;
    ModbusIODevice& operator=(const ModbusIODevice&) = delete;

    int32_t deviceCount() override;
    std::string deviceAddress(int32_t index) override;
    void selectDevice(int32_t index) override;
    std::optional<bool> readBit(int16_t block, int16_t bit) override;
    bool writeBit(int16_t block, int16_t bit, bool state) override;

private:
    struct Link;
    // Connected, or connecting now unless the last attempt is too recent.
    bool connected();
    // Handles a failed request: an exception response leaves the link up.
    void failed(const std::string& what, int error);

    std::string address_;
    std::function<int16_t()> inputBlocks_;
    Timing timing_;
    std::unique_ptr<Link> link_;
    double retryAt_ = 0;
    bool lost_ = false;
};

}  // namespace vek
