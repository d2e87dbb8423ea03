#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace vek {

// The external I/O device as IOData sees it: the few operations of an I/O
// coupler on the network. Bits are addressed by 16-bit block and bit; the
// device numbers its input blocks first, then its output blocks. Implemented
// by ModbusIODevice (a Modbus TCP coupler) and by test doubles.
class IIODevice {
public:
    virtual ~IIODevice() = default;

    // How many devices answer on the network; may take up to the device's
    // discovery time-out.
    virtual int32_t deviceCount() = 0;
    // The address text of device `index` (0-based), as the device reports it.
    virtual std::string deviceAddress(int32_t index) = 0;
    // Makes device `index` the one that later reads and writes go to.
    virtual void selectDevice(int32_t index) = 0;
    // The state of a bit; none when the device did not answer.
    virtual std::optional<bool> readBit(int16_t block, int16_t bit) = 0;
    // Whether the device took the new state.
    virtual bool writeBit(int16_t block, int16_t bit, bool state) = 0;
};

}  // namespace vek
